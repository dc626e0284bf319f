target_link_libraries(${name} PRIVATE velmora_engine)
