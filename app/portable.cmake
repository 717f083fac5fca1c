# The window's logic that needs no window: the grid's order, widths, filters
# and copy text, the layout reader, the error box text and the shell helpers'
# rules. Built in both builds; tested on the host.
add_library(app_logic STATIC
  ${CMAKE_CURRENT_LIST_DIR}/error_box.cpp
  ${CMAKE_CURRENT_LIST_DIR}/grid_model.cpp
  ${CMAKE_CURRENT_LIST_DIR}/layout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shell_helpers.cpp)
target_link_libraries(app_logic PUBLIC inventory)
