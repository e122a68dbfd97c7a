# The shell's services: the version record, the program icon, the help file and the desktop
# entry. Included by this folder's CMakeLists.txt.

# The version record compiled into the program: file version from the project's version.
set(TUNEMARK_PRODUCT_VERSION "1.0.0.0")
set(TUNEMARK_COMPANY "Weldrake")
if(PROJECT_VERSION_TWEAK STREQUAL "")
  set(TUNEMARK_VERSION_BUILD 0)
else()
  set(TUNEMARK_VERSION_BUILD ${PROJECT_VERSION_TWEAK})
endif()
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/version.h.in ${CMAKE_CURRENT_BINARY_DIR}/version.h @ONLY)

# The icon is drawn once, as SVG; the PNG sizes are rendered from it at build time.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(tunemark_icon_svg ${PROJECT_SOURCE_DIR}/desktop/tunemark.svg)
set(tunemark_icon_sizes 16 32 48 64 128 256)
set(tunemark_icon_pngs)
foreach(size IN LISTS tunemark_icon_sizes)
  set(png ${CMAKE_CURRENT_BINARY_DIR}/icons/${size}/tunemark.png)
  add_custom_command(
    OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/icons/${size}
    COMMAND ${RSVG_CONVERT} --width=${size} --height=${size} --output=${png} ${tunemark_icon_svg}
    DEPENDS ${tunemark_icon_svg}
    COMMENT "Rendering the ${size}x${size} icon"
    VERBATIM)
  list(APPEND tunemark_icon_pngs ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
qt_add_resources(shell tunemark_icons
  PREFIX /icons
  BASE ${CMAKE_CURRENT_BINARY_DIR}/icons
  FILES ${tunemark_icon_pngs})
install(FILES ${tunemark_icon_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The manual is HTML; the program looks for it beside its executable under its fixed name.
set(tunemark_help ${CMAKE_CURRENT_BINARY_DIR}/TUNEMARKHELP.HLP)
add_custom_command(
  OUTPUT ${tunemark_help}
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/help/manual.html ${tunemark_help}
  DEPENDS ${PROJECT_SOURCE_DIR}/help/manual.html
  VERBATIM)
add_custom_target(tunemark_help ALL DEPENDS ${tunemark_help})
if(TARGET tunemark)
  add_dependencies(tunemark tunemark_help)
endif()
install(FILES ${tunemark_help} DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${PROJECT_SOURCE_DIR}/desktop/tunemark.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
