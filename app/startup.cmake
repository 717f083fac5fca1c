# The program corvanta.exe: the main routine, the splash window, the
# application window and every resource. Windows build only.
set(CORVANTA_RESOURCE_DIR ${CMAKE_SOURCE_DIR}/resources)
# windres does not track what a script pulls in; list it so a changed picture
# or layout rebuilds the resources.
file(GLOB CORVANTA_RESOURCE_INPUTS CONFIGURE_DEPENDS
  ${CORVANTA_RESOURCE_DIR}/*.rc ${CORVANTA_RESOURCE_DIR}/*.h ${CORVANTA_RESOURCE_DIR}/*.layout
  ${CORVANTA_RESOURCE_DIR}/*.bmp ${CORVANTA_RESOURCE_DIR}/*.ico ${CORVANTA_RESOURCE_DIR}/*.manifest)
set_property(GLOBAL PROPERTY CORVANTA_RESOURCE_INPUTS "${CORVANTA_RESOURCE_INPUTS}")


# corvanta_add_program(NAME RC_FILE): corvanta.cpp linked with the main window
# and the given resource script.
function(corvanta_add_program name rc_file)
  add_executable(${name} WIN32 ${CMAKE_SOURCE_DIR}/app/corvanta.cpp ${rc_file})
  get_property(inputs GLOBAL PROPERTY CORVANTA_RESOURCE_INPUTS)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/resources)
  set_source_files_properties(${rc_file} PROPERTIES OBJECT_DEPENDS "${inputs}")
  target_link_libraries(${name} PRIVATE corvanta_startup corvanta_window comctl32 ole32 oleaut32 gdi32 user32 shell32)
endfunction()

if(TARGET corvanta_window AND EXISTS ${CORVANTA_RESOURCE_DIR}/main_window.rc)
  # The splash and the application window, shared by the program and the
  # start-up tests' variants of it.
  add_library(corvanta_startup STATIC
    ${CMAKE_CURRENT_LIST_DIR}/uSplash.cpp
    ${CMAKE_CURRENT_LIST_DIR}/app_window_win.cpp)
  target_link_libraries(corvanta_startup PUBLIC corvanta_window app_logic gdi32 user32 ole32)

  corvanta_add_program(corvanta ${CORVANTA_RESOURCE_DIR}/corvanta.rc)
endif()
