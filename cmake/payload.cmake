# The update package that UPDATE.EXE embeds, copied to
# ${UPDATE_PAYLOAD_DIR}/UPDATE.FA2 by the target `update_payload`.
#
# FA2_PAYLOAD names it; left empty, it is the demo package. The cross build
# cannot run the native fa2 tool, so it then configures and builds the
# project natively in a folder of its own (host/) to make that package.
include(ExternalProject)

set(UPDATE_PAYLOAD_DIR ${CMAKE_BINARY_DIR}/payload)

if(FA2_PAYLOAD)
    if(NOT EXISTS ${FA2_PAYLOAD})
        message(FATAL_ERROR "FA2_PAYLOAD: ${FA2_PAYLOAD}: no such file")
    endif()
    set(payload_source ${FA2_PAYLOAD})
    set(payload_depends ${FA2_PAYLOAD})
else()
    set(host_dir ${CMAKE_BINARY_DIR}/host)
    set(payload_source ${host_dir}/demo/UPDATE.FA2)
    ExternalProject_Add(host_demo_package
        SOURCE_DIR ${PROJECT_SOURCE_DIR}
        BINARY_DIR ${host_dir}
        CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++
        BUILD_COMMAND ${CMAKE_COMMAND} --build ${host_dir} --target demo_package
        BUILD_ALWAYS ON
        INSTALL_COMMAND ""
        BUILD_BYPRODUCTS ${payload_source})
    set(payload_depends host_demo_package ${payload_source})
endif()

add_custom_command(
    OUTPUT ${UPDATE_PAYLOAD_DIR}/UPDATE.FA2
    COMMAND ${CMAKE_COMMAND} -E copy ${payload_source} ${UPDATE_PAYLOAD_DIR}/UPDATE.FA2
    DEPENDS ${payload_depends}
    COMMENT "Embedding ${payload_source}"
    VERBATIM)
add_custom_target(update_payload DEPENDS ${UPDATE_PAYLOAD_DIR}/UPDATE.FA2)
