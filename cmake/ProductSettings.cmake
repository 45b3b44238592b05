# What a vendor changes in setup.exe, read from one settings file
# (PRODUCT_SETTINGS, by default the example product's): the home pages, the
# icon, the names in the version information and the main program's
# Start-menu link. The settings reach the
# code through one generated header, ProductSettings.h (target
# product_settings). A setting that is missing or cannot be used stops the
# configuration with the reason.
set(PRODUCT_SETTINGS "${PROJECT_SOURCE_DIR}/examples/quorvix/product.cmake" CACHE FILEPATH
    "The product settings file: see examples/quorvix/product.cmake")

get_filename_component(product_settings_file "${PRODUCT_SETTINGS}" ABSOLUTE BASE_DIR "${PROJECT_SOURCE_DIR}")
if(NOT EXISTS "${product_settings_file}" OR IS_DIRECTORY "${product_settings_file}")
  message(FATAL_ERROR "product settings: no file ${product_settings_file}")
endif()
set(product_setting_names PRODUCT_NAME PRODUCT_COMPANY PRODUCT_COPYRIGHT PRODUCT_ICON PRODUCT_HOME_PAGE_ENGLISH
    PRODUCT_HOME_PAGE_RUSSIAN)
# These may be left out: see below.
set(product_optional_setting_names PRODUCT_PROGRAM_LINK_NAME PRODUCT_PROGRAM_LINK_DESCRIPTION)
foreach(name ${product_setting_names} ${product_optional_setting_names})
  unset(${name})
endforeach()
include("${product_settings_file}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${product_settings_file}")

function(product_setting_error name reason)
  message(FATAL_ERROR "product settings: ${name} in ${product_settings_file} ${reason}")
endfunction()

foreach(name ${product_setting_names})
  if("${${name}}" STREQUAL "")
    product_setting_error(${name} "is not set")
  endif()
endforeach()

# The main program's Start-menu link is named after the product unless the
# settings say otherwise: its description is PRODUCT_NAME, its file name
# PRODUCT_NAME without spaces ("Quorvix Forge", QuorvixForge.lnk).
set(product_link_name_origin "")
if("${PRODUCT_PROGRAM_LINK_DESCRIPTION}" STREQUAL "")
  set(PRODUCT_PROGRAM_LINK_DESCRIPTION "${PRODUCT_NAME}")
endif()
if("${PRODUCT_PROGRAM_LINK_NAME}" STREQUAL "")
  string(REPLACE " " "" PRODUCT_PROGRAM_LINK_NAME "${PRODUCT_NAME}")
  set(product_link_name_origin " (made from PRODUCT_NAME: set PRODUCT_PROGRAM_LINK_NAME)")
endif()

# Texts go into the version information and the program as they are: UTF-8,
# on one line, and no quote or backslash, which the resource compiler and
# the compiler would read as the end of the text or an escape.
foreach(name PRODUCT_NAME PRODUCT_COMPANY PRODUCT_COPYRIGHT PRODUCT_PROGRAM_LINK_DESCRIPTION)
  if("${${name}}" MATCHES "[\"\\\\\t\r\n]")
    product_setting_error(${name} "holds a double quote, a backslash, a tab or a line break: \"${${name}}\"")
  endif()
endforeach()

# The links are written through the shell's 8-bit interface: an address in
# printable ASCII (a host in another script in its xn-- form).
foreach(name PRODUCT_HOME_PAGE_ENGLISH PRODUCT_HOME_PAGE_RUSSIAN)
  if(NOT "${${name}}" MATCHES "^https?://[!-~]+$" OR "${${name}}" MATCHES "[\"\\\\]")
    product_setting_error(${name} "is not an http:// or https:// address in printable ASCII: \"${${name}}\"")
  endif()
endforeach()

# The link's file name (".lnk" is added): the shell's 8-bit interface writes
# it, so printable ASCII; a name Windows takes as it is (none of \ / : * ? "
# < > |, no dot or space at the end, no device name); and not the name of
# one of the other two links, which would replace it.
string(TOUPPER "${PRODUCT_PROGRAM_LINK_NAME}" link_name_upper)
if(NOT "${PRODUCT_PROGRAM_LINK_NAME}" MATCHES "^[ -~]+$" OR "${PRODUCT_PROGRAM_LINK_NAME}" MATCHES "[\\\\/:*?\"<>|]"
   OR "${PRODUCT_PROGRAM_LINK_NAME}" MATCHES "[. ]$"
   OR link_name_upper MATCHES "^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])(\\..*)?$"
   OR link_name_upper STREQUAL "MANUAL" OR link_name_upper STREQUAL "WEB")
  product_setting_error(PRODUCT_PROGRAM_LINK_NAME
    "is not a link name of printable ASCII without \\ / : * ? \" < > |, a dot or a space at its end, a device's name, Manual or Web${product_link_name_origin}: \"${PRODUCT_PROGRAM_LINK_NAME}\"")
endif()

get_filename_component(settings_dir "${product_settings_file}" DIRECTORY)
get_filename_component(PRODUCT_ICON "${PRODUCT_ICON}" ABSOLUTE BASE_DIR "${settings_dir}")
if(NOT EXISTS "${PRODUCT_ICON}" OR IS_DIRECTORY "${PRODUCT_ICON}")
  product_setting_error(PRODUCT_ICON "names no file: ${PRODUCT_ICON}")
endif()
if("${PRODUCT_ICON}" MATCHES "[\"\\\\]")
  product_setting_error(PRODUCT_ICON "is a path with a double quote or a backslash: ${PRODUCT_ICON}")
endif()
# An icon file starts with 0, 1 (an icon, not a cursor) and its image count.
file(READ "${PRODUCT_ICON}" icon_header LIMIT 6 HEX)
if(NOT icon_header MATCHES "^00000100" OR icon_header STREQUAL "000001000000")
  product_setting_error(PRODUCT_ICON "is not an icon file: ${PRODUCT_ICON}")
endif()
# The window and Explorer take its 32 x 32 image: one of the directory's
# entries (16 bytes each, after the 6-byte header) must be 32 wide and high.
string(SUBSTRING "${icon_header}" 8 2 icon_count_low)
string(SUBSTRING "${icon_header}" 10 2 icon_count_high)
math(EXPR icon_images "0x${icon_count_high}${icon_count_low}")
math(EXPR icon_directory_size "6 + 16 * ${icon_images}")
file(READ "${PRODUCT_ICON}" icon_directory LIMIT ${icon_directory_size} HEX)
string(LENGTH "${icon_directory}" icon_directory_digits)
math(EXPR icon_directory_wanted "2 * ${icon_directory_size}")
if(icon_directory_digits LESS icon_directory_wanted)
  product_setting_error(PRODUCT_ICON "is not an icon file: ${PRODUCT_ICON}")
endif()
set(icon_has_32 FALSE)
math(EXPR icon_last "${icon_images} - 1")
foreach(image RANGE ${icon_last})
  math(EXPR icon_entry "2 * (6 + 16 * ${image})")
  string(SUBSTRING "${icon_directory}" ${icon_entry} 4 icon_size)
  if(icon_size STREQUAL "2020")
    set(icon_has_32 TRUE)
  endif()
endforeach()
if(NOT icon_has_32)
  product_setting_error(PRODUCT_ICON "holds no 32 x 32 image: ${PRODUCT_ICON}")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${PRODUCT_ICON}")

# setup.exe's file and product version: the project's, as four numbers.
set(version_numbers)
foreach(part MAJOR MINOR PATCH TWEAK)
  if("${PROJECT_VERSION_${part}}" STREQUAL "")
    list(APPEND version_numbers 0)
  else()
    list(APPEND version_numbers ${PROJECT_VERSION_${part}})
  endif()
endforeach()
list(JOIN version_numbers "," SETUP_VERSION_NUMBERS)
list(JOIN version_numbers "." SETUP_VERSION_TEXT)

configure_file("${CMAKE_CURRENT_LIST_DIR}/ProductSettings.h.in" "${PROJECT_BINARY_DIR}/product/ProductSettings.h" @ONLY)
add_library(product_settings INTERFACE)
target_include_directories(product_settings INTERFACE "${PROJECT_BINARY_DIR}/product")
