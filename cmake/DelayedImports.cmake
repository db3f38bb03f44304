# The system libraries that the window program calls but that are not among
# the known ones (GDI+, the multimedia library): imported with a delay, so
# that each is loaded at its first call, after start-up has limited the search
# to the system folder (SearchSystemFolderOnly), and not by the loader before
# the program starts, which looks beside the program first.
#
# tessaline_delayed_import(<name>) makes the target <name>_delayed: link to
# it instead of <name>.
function(tessaline_delayed_import name)
  set(target ${name}_delayed)
  add_library(${target} INTERFACE)
  if(MSVC)
    target_link_libraries(${target} INTERFACE ${name} delayimp)
    target_link_options(${target} INTERFACE /DELAYLOAD:${name}.dll)
    return()
  endif()

  # MinGW: a delay-import library made by dlltool from the exports that the
  # toolchain's own import library lists.
  find_library(TESSALINE_IMPORT_LIBRARY_${name} NAMES lib${name}.a)
  set(import_library ${TESSALINE_IMPORT_LIBRARY_${name}})
  if(NOT import_library OR NOT CMAKE_NM OR NOT CMAKE_DLLTOOL)
    message(FATAL_ERROR "delayed import of ${name}.dll: needs lib${name}.a, nm and dlltool of the toolchain")
  endif()
  execute_process(COMMAND ${CMAKE_NM} ${import_library} OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "delayed import of ${name}.dll: ${CMAKE_NM} could not read ${import_library}")
  endif()
  # x86_64 "__imp_GdipAlloc"; i686 "__imp__GdipAlloc@4", whose import name
  # loses the decoration (--kill-at).
  set(prefix "__imp_")
  set(kill_at)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(prefix "__imp__")
    set(kill_at --kill-at)
  endif()
  string(REGEX MATCHALL "${prefix}[^ \t\r\n]+" imports "${symbols}")
  list(REMOVE_DUPLICATES imports)
  list(SORT imports)
  set(def "LIBRARY \"${name}.dll\"\nEXPORTS\n")
  foreach(import ${imports})
    string(LENGTH "${prefix}" skip)
    string(SUBSTRING "${import}" ${skip} -1 export)
    string(APPEND def "${export}\n")
  endforeach()

  set(dir ${CMAKE_BINARY_DIR}/delayed)
  # Written only when it changes, so that a new configuration rebuilds nothing.
  file(WRITE ${dir}/${name}.def.new "${def}")
  configure_file(${dir}/${name}.def.new ${dir}/${name}.def COPYONLY)
  set(library ${dir}/lib${name}_delayed.a)
  add_custom_command(OUTPUT ${library}
    COMMAND ${CMAKE_DLLTOOL} ${kill_at} --input-def ${dir}/${name}.def --dllname ${name}.dll
            --output-delaylib ${library}
    DEPENDS ${dir}/${name}.def
    VERBATIM)
  add_custom_target(${target}_library DEPENDS ${library})
  add_dependencies(${target} ${target}_library)
  target_link_libraries(${target} INTERFACE ${library})
endfunction()

tessaline_delayed_import(gdiplus)
tessaline_delayed_import(winmm)
