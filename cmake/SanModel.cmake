# sangen_add_model(<model file>)
#
# Builds the simulator of a model file: sangen generates the model's C++
# into ${CMAKE_BINARY_DIR}/models/<name>/ (name: the model file's name
# without extension), the sources are compiled as one static library,
# <name>_model (a layer, see cmake/Layers.cmake), and linked after the
# executive as ${CMAKE_BINARY_DIR}/<name>-sim (the same command line, result
# files, manager link and traces as every simulator of this project). The
# study description goes to ${CMAKE_BINARY_DIR}/<name>-study.json.
#
# sangen rewrites only the files whose text changed, so editing a model
# file recompiles the model only when its code changed.
#
# Beside the simulator it builds ${CMAKE_BINARY_DIR}/<name>-solve, the
# model's exact solver (cmake/SanSolver.cmake), and, when Graphviz's dot is
# found, ${CMAKE_BINARY_DIR}/<name>-model.svg, the model's diagram drawn
# from the DOT file sangen writes (models/<name>.dot), which the study
# description names for the study tool's study.html.
include(${CMAKE_CURRENT_LIST_DIR}/SanSolver.cmake)
find_program(SANGEN_DOT dot)
if(NOT SANGEN_DOT)
  message(STATUS "Graphviz's dot not found (Debian: graphviz): the models' diagrams "
                 "(build/<model>-model.svg) are not drawn")
endif()
function(sangen_add_model model_file)
  get_filename_component(model_file "${model_file}" ABSOLUTE)
  get_filename_component(name "${model_file}" NAME_WLE)
  if(NOT name MATCHES "^[A-Za-z][A-Za-z0-9_-]*$")
    message(FATAL_ERROR "${model_file}: a model file's name (here '${name}') starts with a letter "
                        "and holds only letters, digits, '_' and '-'")
  endif()
  if(TARGET ${name}-sim)
    get_property(built_from GLOBAL PROPERTY sangen_model_file_${name})
    if(NOT built_from STREQUAL model_file)
      message(WARNING "${model_file}: ${name}-sim is already built from ${built_from}; skipped")
    endif()
    return()
  endif()
  set_property(GLOBAL PROPERTY sangen_model_file_${name} "${model_file}")
  set(folder ${CMAKE_BINARY_DIR}/models/${name})
  set(unity ${folder}/${name}_all.cpp)
  set(json ${CMAKE_BINARY_DIR}/${name}-study.json)
  set(stamp ${folder}.stamp)
  set(dot_file ${CMAKE_BINARY_DIR}/models/${name}.dot)
  set(svg ${CMAKE_BINARY_DIR}/${name}-model.svg)

  # The description names the drawing whether or not Graphviz is here, so
  # that it (and the digest a study keeps of it) is the same on every
  # machine; without the drawing, study.html says it cannot read it.
  set(diagram_options --dot ${dot_file} --diagram ${svg})
  set(draw_command)
  if(SANGEN_DOT)
    set(draw_command COMMAND ${SANGEN_DOT} -Tsvg -o ${svg} ${dot_file})
  endif()
  add_custom_command(
    OUTPUT ${stamp}
    COMMAND sangen ${model_file} --out ${CMAKE_BINARY_DIR}/models --study-json ${json}
            ${diagram_options}
    ${draw_command}
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${model_file} sangen
    BYPRODUCTS ${unity} ${json} ${dot_file} ${svg}
    COMMENT "Generating model ${name} from ${model_file}"
    VERBATIM)
  add_custom_target(${name}_sources DEPENDS ${stamp})

  # The model is a layer between the framework and the executive, with its
  # link check and its folder in the layer graph: it uses the study,
  # reward, composer and framework layers, and defines the study
  # (GenerateStudy) that the executive asks for, so the simulator links the
  # executive first and the model after it.
  mb_add_layer(${name}_model
    USES corvax_study corvax_rewards corvax_composer corvax_framework
    SOURCES ${unity})
  add_dependencies(${name}_model ${name}_sources)
  target_include_directories(${name}_model PUBLIC ${CMAKE_BINARY_DIR}/models)

  add_executable(${name}-sim ${CMAKE_SOURCE_DIR}/Cpp/Executive/main.cpp)
  target_link_libraries(${name}-sim PRIVATE corvax_executive ${name}_model)
  set_target_properties(${name}-sim PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

  sangen_add_solver(${name})
endfunction()
