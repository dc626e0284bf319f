# scripts/run.sh as a user runs it, against the velmora of this build (not under Wine: the
# script is the Linux main job).
if(NOT WIN32)
    add_test(NAME velmora_run_script
             COMMAND ${CMAKE_SOURCE_DIR}/tests/host/run_script_test.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/bin)
    set_tests_properties(velmora_run_script PROPERTIES TIMEOUT 600)
endif()
