# The window toolkit's sources.
target_sources(win32_layer PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/win32_toolkit.cpp)
target_link_libraries(win32_layer PUBLIC user32 gdi32)
