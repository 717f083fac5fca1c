# The main window, its grid component, the standard error box and the shell
# helpers' Windows side. Windows build only; the portable parts are app_logic.
add_library(corvanta_window STATIC
  ${CMAKE_CURRENT_LIST_DIR}/Unit1_win.cpp
  ${CMAKE_CURRENT_LIST_DIR}/grid_win.cpp
  ${CMAKE_CURRENT_LIST_DIR}/link_label_win.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_base_win.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win32_util_win.cpp
  ${CMAKE_CURRENT_LIST_DIR}/error_box_win.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shell_helpers_win.cpp)
target_link_libraries(corvanta_window PUBLIC app_logic software process_scan inventory comctl32 shell32 gdi32 user32)
