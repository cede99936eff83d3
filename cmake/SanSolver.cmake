# sangen_add_solver(<name>)
#
# Builds ${CMAKE_BINARY_DIR}/<name>-solve, the exact solver of a generated
# model: the solver program (Cpp/Solver/SolveMain.cpp, outside the solver
# layer) linked with the solver layer and the model's layer <name>_model
# (made by sangen_add_model, which calls this function). The solver explores
# the model's state space by running the model's own generated code and
# solves the Markov chain it finds; it refuses models that are not Markovian.
function(sangen_add_solver name)
  if(NOT TARGET ${name}_model)
    message(FATAL_ERROR "sangen_add_solver(${name}): no model layer ${name}_model")
  endif()
  add_executable(${name}-solve ${CMAKE_SOURCE_DIR}/Cpp/Solver/SolveMain.cpp)
  # The model defines the study (GenerateStudy) that the solver layer asks
  # for, so it comes after the solver on the link line.
  target_link_libraries(${name}-solve PRIVATE corvax_solver ${name}_model)
  set_target_properties(${name}-solve PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endfunction()
