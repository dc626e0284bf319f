# The effect's tests drive it through the command-line host's session, as the host would.
target_link_libraries(${name} PRIVATE velmora_host)
