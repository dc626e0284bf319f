# scripts/run.sh as a user runs it, against the velmora of this build (not under Wine: the
# script is the Linux main job).
if(NOT WIN32)
    add_test(NAME velmora_run_script
             COMMAND ${CMAKE_SOURCE_DIR}/tests/host/run_script_test.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/bin)
    set_tests_properties(velmora_run_script PROPERTIES TIMEOUT 600)
endif()

# The Linux-only formats are read back with libraries only the Linux build has (tinygltf, ...):
# the Windows test program leaves their file out and tests velmora.exe's refusals instead.
if(WIN32)
    set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/host/linux_formats_test.cpp PROPERTIES HEADER_FILE_ONLY ON)
endif()
