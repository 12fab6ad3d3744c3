# The window toolkit's sources.
target_sources(win32_layer PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/common_controls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cursor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/drawn_controls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/focus.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fonts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/message_box.cpp
  ${CMAKE_CURRENT_LIST_DIR}/paint.cpp
  ${CMAKE_CURRENT_LIST_DIR}/panel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/subclass.cpp
  ${CMAKE_CURRENT_LIST_DIR}/timer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win32_toolkit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_procedure.cpp
  ${CMAKE_CURRENT_LIST_DIR}/windowed_controls.cpp)
target_link_libraries(win32_layer PUBLIC user32 gdi32 comctl32)
