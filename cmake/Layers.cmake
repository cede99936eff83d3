# The engine and the model are built as layers: one static library per
# folder, which may use only the layers it names. A layer's headers are
# reachable from every layer (they share the include root Cpp/), so the rule
# is kept by two checks instead:
#   - every layer has a link check, an executable that links all of the
#     layer's objects and only the layers it names; a call into any other
#     layer is an undefined reference and fails the build;
#   - scripts/check-layers.sh compares the #include lines of every layer's
#     folders with the graph written to <build>/layers.txt.

# mb_add_layer(<target> SOURCES <file>... [USES <layer>...] [LINKS <library>...]
#              [LINK_CHECK_SOURCES <file>...])
#   SOURCES             the layer's translation units, listed one by one
#   USES                the layers it may call (linked PUBLIC: its headers
#                       include theirs)
#   LINKS               libraries from outside the project
#   LINK_CHECK_SOURCES  what the layer expects from a layer above it, given
#                       to its link check (the executive's study)
function(mb_add_layer name)
  cmake_parse_arguments(L "" "" "SOURCES;USES;LINKS;LINK_CHECK_SOURCES" ${ARGN})
  if(NOT L_SOURCES)
    message(FATAL_ERROR "layer ${name} lists no sources")
  endif()
  add_library(${name} STATIC ${L_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/Cpp)
  target_link_libraries(${name} PUBLIC ${L_USES} ${L_LINKS})

  # The folders of the layer's sources, and those it may include from: its
  # own and those of every layer it uses, directly or through another.
  set(folders "")
  foreach(source ${L_SOURCES})
    get_filename_component(path ${source} ABSOLUTE)
    get_filename_component(folder ${path} DIRECTORY)
    file(RELATIVE_PATH folder ${CMAKE_SOURCE_DIR} ${folder})
    list(APPEND folders ${folder})
  endforeach()
  list(REMOVE_DUPLICATES folders)
  set(reach ${folders})
  foreach(used ${L_USES})
    get_target_property(used_reach ${used} MB_LAYER_REACH)
    if(NOT used_reach)
      message(FATAL_ERROR "layer ${name} uses ${used}, which is not a layer defined before it")
    endif()
    list(APPEND reach ${used_reach})
  endforeach()
  list(REMOVE_DUPLICATES reach)
  set_target_properties(${name} PROPERTIES MB_LAYER_FOLDERS "${folders}" MB_LAYER_REACH "${reach}")
  set_property(GLOBAL APPEND PROPERTY MB_LAYERS ${name})

  # The link check. Every object of the layer is linked (whole archive), so
  # that none can be left out for being unreferenced; the symbols are
  # exported, so that link-time optimisation cannot drop an unreferenced
  # function together with its call into another layer.
  add_executable(${name}_link_check ${CMAKE_SOURCE_DIR}/cmake/LinkCheck.cpp ${L_LINK_CHECK_SOURCES})
  target_link_libraries(${name}_link_check PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${name}>")
  set_target_properties(${name}_link_check PROPERTIES
    ENABLE_EXPORTS ON RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/link-check)
  # A missing symbol fails an ordinary link as surely as an optimised one.
  if(MB_FAT_LTO_OBJECTS)
    set_target_properties(${name}_link_check PROPERTIES INTERPROCEDURAL_OPTIMIZATION OFF)
    target_link_options(${name}_link_check PRIVATE -fno-lto)
  endif()
endfunction()

# Writes <build>/layers.txt, one line per layer:
#   <target>|<its folders>|<folders it may include from>
# with the folders relative to the source tree and separated by spaces.
function(mb_write_layer_graph)
  get_property(layers GLOBAL PROPERTY MB_LAYERS)
  set(text "")
  foreach(layer ${layers})
    get_target_property(folders ${layer} MB_LAYER_FOLDERS)
    get_target_property(reach ${layer} MB_LAYER_REACH)
    list(JOIN folders " " folders)
    list(JOIN reach " " reach)
    string(APPEND text "${layer}|${folders}|${reach}\n")
  endforeach()
  file(WRITE ${CMAKE_BINARY_DIR}/layers.txt "${text}")
endfunction()
