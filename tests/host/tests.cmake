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
