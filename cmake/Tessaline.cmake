# The product's identity, in one place: name, maker and version (the version
# number itself is the project's, set by project() in the top-level
# CMakeLists.txt). Gives every binary its version resource and every program
# its manifest, and generates Version.h for the code.

set(TESSALINE_LIST_DIR ${CMAKE_CURRENT_LIST_DIR})
set(TESSALINE_PRODUCT "Tessaline")
# The maker, as the settings store "Norvane Tessaline 1.0" names it.
set(TESSALINE_MAKER "Norvane")
set(TESSALINE_COPYRIGHT_YEAR 2026)

# The three parts as plain numbers for the binary fields ("001" is 1).
foreach(part MAJOR MINOR PATCH)
  string(REGEX REPLACE "^0+([0-9])" "\\1" TESSALINE_VERSION_${part} "${PROJECT_VERSION_${part}}")
endforeach()

set(TESSALINE_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/Version.h.in ${TESSALINE_GENERATED_DIR}/Version.h @ONLY)

# Link to this to include "Version.h" (TESSALINE_VERSION_TEXT and the rest).
add_library(tessaline_version INTERFACE)
target_include_directories(tessaline_version INTERFACE ${TESSALINE_GENERATED_DIR})

# tessaline_version_resource(target "<file description>" "<original file name>")
# gives the binary a version resource: product name, maker, the version and
# the file's own description and name.
function(tessaline_version_resource target description file_name)
  get_target_property(done ${target} TESSALINE_VERSION_RESOURCE)
  if(done)
    return()
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(TESSALINE_FILE_TYPE VFT_APP)
  else()
    set(TESSALINE_FILE_TYPE VFT_DLL)
  endif()
  set(TESSALINE_FILE_DESCRIPTION "${description}")
  set(TESSALINE_FILE_NAME "${file_name}")
  get_filename_component(TESSALINE_INTERNAL_NAME "${file_name}" NAME_WE)
  set(rc ${TESSALINE_GENERATED_DIR}/${target}_version.rc)
  configure_file(${TESSALINE_LIST_DIR}/VersionInfo.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  set_target_properties(${target} PROPERTIES TESSALINE_VERSION_RESOURCE ON)
endfunction()

# tessaline_manifest(target) embeds the application manifest: common controls
# 6 (visual styles), DPI awareness, the supported Windows versions 7 to 11,
# run as the invoking user.
function(tessaline_manifest target)
  get_target_property(done ${target} TESSALINE_MANIFEST)
  if(done)
    return()
  endif()
  get_target_property(TESSALINE_MANIFEST_NAME ${target} OUTPUT_NAME)
  if(NOT TESSALINE_MANIFEST_NAME)
    set(TESSALINE_MANIFEST_NAME ${target})
  endif()
  set(TESSALINE_MANIFEST_FILE ${TESSALINE_GENERATED_DIR}/${target}.manifest)
  configure_file(${TESSALINE_LIST_DIR}/Application.manifest.in ${TESSALINE_MANIFEST_FILE} @ONLY)
  if(MSVC)
    # The linker embeds a listed .manifest itself.
    target_sources(${target} PRIVATE ${TESSALINE_MANIFEST_FILE})
  else()
    set(rc ${TESSALINE_GENERATED_DIR}/${target}_manifest.rc)
    configure_file(${TESSALINE_LIST_DIR}/Manifest.rc.in ${rc} @ONLY)
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${TESSALINE_MANIFEST_FILE})
    target_sources(${target} PRIVATE ${rc})
  endif()
  set_target_properties(${target} PROPERTIES TESSALINE_MANIFEST ON)
endfunction()

