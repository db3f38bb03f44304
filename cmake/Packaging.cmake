# The release package, Tessaline-<version>-win32.zip (or -win64.zip): the
# program, the console program, the simulated device, the
# two converters and a read-me for Windows users. No tests, no import
# libraries. Included at the end of the top-level CMakeLists.txt, so that
# every target exists by then.
#
#   cmake --build build/win32 --target package

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(TESSALINE_FLAVOUR win64)
else()
  set(TESSALINE_FLAVOUR win32)
endif()

set(TESSALINE_PACKAGED_TARGETS Tessaline tessa kp6600sim tunemill picmill)
# All beside each other, as the program loads the libraries from its own
# folder; the converters' import libraries stay out.
install(TARGETS ${TESSALINE_PACKAGED_TARGETS}
        RUNTIME DESTINATION . LIBRARY DESTINATION . ARCHIVE DESTINATION lib EXCLUDE_FROM_ALL)

if(TESSALINE_FLAVOUR STREQUAL "win64")
  set(TESSALINE_FLAVOUR_NOTE_1 "This is the 64-bit build: it cannot load the vendor's 32-bit driver library.")
  set(TESSALINE_FLAVOUR_NOTE_2 "For a real device use the win32 package.")
else()
  set(TESSALINE_FLAVOUR_NOTE_1 "This is the 32-bit build, the one that loads the vendor's 32-bit driver")
  set(TESSALINE_FLAVOUR_NOTE_2 "library.")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/ReadMe.txt.in ${TESSALINE_GENERATED_DIR}/ReadMe.txt
               @ONLY NEWLINE_STYLE CRLF)
install(FILES ${TESSALINE_GENERATED_DIR}/ReadMe.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME ${TESSALINE_PRODUCT})
set(CPACK_PACKAGE_VENDOR ${TESSALINE_MAKER})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME ${TESSALINE_PRODUCT}-${PROJECT_VERSION}-${TESSALINE_FLAVOUR})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
