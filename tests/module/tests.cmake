# The module is loaded from the build's bin/ folder, as the host loads it.
target_link_libraries(${name} PRIVATE velmora_platform)
