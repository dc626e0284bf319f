# The panel tests drive the effect through the host's drawing suites, and on Windows open the
# real About box, which needs a display: Wine runs them on a virtual X display of their own.
target_link_libraries(${name} PRIVATE velmora_host)
if(CMAKE_CROSSCOMPILING)
    set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/xvfb-wine-run)
endif()
