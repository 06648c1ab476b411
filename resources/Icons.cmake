# The icon is drawn once as SVG; the PNG sizes the desktop and the program
# need are rendered from it at build time. Included from components/, whose
# library carries them as the resource file icons.qrc (":/icons/...").
find_program(HW_RSVG_CONVERT rsvg-convert REQUIRED)

set(HW_ICON_SIZES 16 22 24 32 48 64 128 256)
set(HW_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(_qrc_entries)
foreach(_variant idle monitoring)
  if(_variant STREQUAL "idle")
    set(_svg ${HW_SOURCE_ROOT}/resources/icons/hourwright.svg)
  else()
    set(_svg ${HW_SOURCE_ROOT}/resources/icons/hourwright-monitoring.svg)
  endif()
  foreach(_size ${HW_ICON_SIZES})
    set(_png ${HW_ICON_DIR}/${_variant}/${_size}.png)
    add_custom_command(OUTPUT ${_png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${HW_ICON_DIR}/${_variant}
      COMMAND ${HW_RSVG_CONVERT} -w ${_size} -h ${_size} -o ${_png} ${_svg}
      DEPENDS ${_svg}
      COMMENT "Rendering the ${_variant} icon at ${_size} pixels"
      VERBATIM)
    string(APPEND _qrc_entries "    <file alias=\"${_variant}/${_size}.png\">${_png}</file>\n")
  endforeach()
endforeach()
set(HW_ICON_SIZES ${HW_ICON_SIZES} PARENT_SCOPE)
set(HW_ICON_DIR ${HW_ICON_DIR} PARENT_SCOPE)

set(HW_ICONS_QRC ${CMAKE_CURRENT_BINARY_DIR}/icons.qrc)
file(WRITE ${HW_ICONS_QRC}.in "<RCC>\n  <qresource prefix=\"/icons\">\n${_qrc_entries}  </qresource>\n</RCC>\n")
configure_file(${HW_ICONS_QRC}.in ${HW_ICONS_QRC} COPYONLY)
set_source_files_properties(${HW_ICONS_QRC} PROPERTIES SKIP_AUTORCC ON)
qt6_add_resources(HW_ICON_SOURCES ${HW_ICONS_QRC})
