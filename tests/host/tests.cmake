# The host's operations and sub-commands, and the frames both builds make through them.
target_link_libraries(${name} PRIVATE velmora_host)

# The Windows build's velmora.exe renders the default tree's last animation frame under Wine,
# and the host tests hold it to the golden hash both builds share (tests/data/golden/).
if(WIN32)
    set(exe_frame ${CMAKE_BINARY_DIR}/cross-build/default_f23.png)
    add_test(NAME velmora_exe_renders
             COMMAND velmora render --module $<TARGET_FILE:Velmora> --size 160x90 --frame 23 --out ${exe_frame})
    set_tests_properties(velmora_exe_renders PROPERTIES FIXTURES_SETUP velmora_exe_frame)
    add_test(NAME velmora_exe_frame_is_golden COMMAND ${name} --gtest_filter=CrossBuild.*)
    set_tests_properties(velmora_exe_frame_is_golden PROPERTIES
        FIXTURES_REQUIRED velmora_exe_frame ENVIRONMENT VELMORA_EXE_FRAME=${exe_frame}
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endif()

# The scripts and the README's commands as a user runs them, against the velmora of this build
# (not under Wine: they are the Linux main job and its documentation).
if(NOT WIN32)
    foreach(script run_script readme_examples farm_recipe)
        add_test(NAME velmora_${script}
                 COMMAND ${CMAKE_SOURCE_DIR}/tests/host/${script}_test.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/bin)
        set_tests_properties(velmora_${script} PROPERTIES TIMEOUT 900)
    endforeach()
endif()

# The Linux-only formats are read back with libraries only the Linux build has (tinygltf, ...):
# the Windows test program leaves their file out and tests velmora.exe's refusals instead.
if(WIN32)
    set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/host/linux_formats_test.cpp PROPERTIES HEADER_FILE_ONLY ON)
endif()
