# The program's version strings, written at build time into the ELF section
# ".hwversion" of an executable, where the About box (and anyone with a copy
# of the file) reads them back.
#
# The section holds lines of text:
#   Translation=<language><code page>[ <language><code page> ...]
#   [<language><code page>]
#   Key=Value
# one block of keys per translation, as eight lower-case hexadecimal digits.

set(HW_VERSION_COMPANY "Quivane")
set(HW_VERSION_PRODUCT "Hourwright")
# US English, Unicode.
set(HW_VERSION_TRANSLATION "040904b0")
set(_hw_version_template ${CMAKE_CURRENT_LIST_DIR}/VersionSection.cpp.in)

# A value as the body of a C string literal on one line of the block.
function(_hw_version_line out key value)
  string(REPLACE "\\" "\\\\" value "${value}")
  string(REPLACE "\"" "\\\"" value "${value}")
  string(REGEX REPLACE "[\r\n]+" " " value "${value}")
  set(${out} "${${out}}    \"${key}=${value}\\n\"\n" PARENT_SCOPE)
endfunction()

# hw_add_version_section(<target> [DESCRIPTION <text>] [COMMENTS <text>])
function(hw_add_version_section target)
  cmake_parse_arguments(ARG "" "DESCRIPTION;COMMENTS" "" ${ARGN})
  if(NOT ARG_DESCRIPTION)
    set(ARG_DESCRIPTION "${HW_VERSION_PRODUCT} - ${PROJECT_DESCRIPTION}")
  endif()
  if(NOT ARG_COMMENTS)
    set(ARG_COMMENTS "Built with C++17 and Qt ${Qt6_VERSION}")
  endif()

  # Four parts, as version resources have them: 1.0.0 -> 1.0.0.0
  set(_file_version "")
  foreach(_part MAJOR MINOR PATCH TWEAK)
    set(_number "${PROJECT_VERSION_${_part}}")
    if(_number STREQUAL "")
      set(_number 0)
    endif()
    list(APPEND _file_version ${_number})
  endforeach()
  list(JOIN _file_version "." _file_version)

  get_target_property(_output_name ${target} OUTPUT_NAME)
  if(NOT _output_name)
    set(_output_name ${target})
  endif()
  # Honours SOURCE_DATE_EPOCH, so a rebuild of the same sources gives the same text.
  string(TIMESTAMP _year "%Y" UTC)

  set(_block "")
  _hw_version_line(_block "Translation" "${HW_VERSION_TRANSLATION}")
  set(_block "${_block}    \"[${HW_VERSION_TRANSLATION}]\\n\"\n")
  _hw_version_line(_block "CompanyName" "${HW_VERSION_COMPANY}")
  _hw_version_line(_block "FileDescription" "${ARG_DESCRIPTION}")
  _hw_version_line(_block "FileVersion" "${_file_version}")
  _hw_version_line(_block "InternalName" "${target}")
  _hw_version_line(_block "LegalCopyright" "Copyright (C) ${_year} ${HW_VERSION_COMPANY}")
  _hw_version_line(_block "LegalTrademarks" "${HW_VERSION_PRODUCT} is a trademark of ${HW_VERSION_COMPANY}")
  _hw_version_line(_block "OriginalFilename" "${_output_name}")
  _hw_version_line(_block "ProductName" "${HW_VERSION_PRODUCT}")
  _hw_version_line(_block "ProductVersion" "${PROJECT_VERSION}")
  _hw_version_line(_block "Comments" "${ARG_COMMENTS}")

  set(HW_VERSION_BLOCK "${_block}")
  set(_source ${CMAKE_CURRENT_BINARY_DIR}/${target}_version_section.cpp)
  configure_file(${_hw_version_template} ${_source} @ONLY)
  target_sources(${target} PRIVATE ${_source})
  # The block is never referenced by code; keep the linker from dropping it
  # should anyone link with --gc-sections.
  target_link_options(${target} PRIVATE "LINKER:--undefined=hw_version_block")
endfunction()
