# Helpers beside the physical estimate, for the front ends: the exact reflector curve of a design
# (part of the physical model, no Qt) and the design of the window's inputs, which reads the
# pixel model's BuildInputs and so lives in a library of its own.
target_sources(kavrol_physics PRIVATE ${CMAKE_CURRENT_LIST_DIR}/ReflectorCurve.cpp)

add_library(kavrol_physics_inputs STATIC ${CMAKE_CURRENT_LIST_DIR}/DesignFromInputs.cpp)
target_include_directories(kavrol_physics_inputs PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(kavrol_physics_inputs PUBLIC kavrol_physics kavrol_model
    PRIVATE kavrol_warnings)
