# wisplet_add_test(<name> LABEL <core|ui|x11|dbus> SOURCES <files...> [LIBS <targets...>] [LOCKS <resources...>]
#                  [PRIVATE_MOUNTS])
#
# Builds one Qt Test executable and registers it with CTest under its label:
#   core  headless, offscreen platform
#   ui    widgets on the offscreen platform
#   x11   the harness's Xvfb display with openbox (xcb platform)
#   dbus  the harness's private session bus and keyring (offscreen platform)
# Tests that share the X server, the bus or the keyring name what they share in LOCKS. PRIVATE_MOUNTS runs the
# test in a mount namespace of its own, where it may mount small file systems (tests/support/TinyDisk.h).
function(wisplet_add_test name)
    cmake_parse_arguments(ARG "PRIVATE_MOUNTS" "LABEL" "SOURCES;LIBS;LOCKS" ${ARGN})
    if(NOT ARG_LABEL MATCHES "^(core|ui|x11|dbus)$")
        message(FATAL_ERROR "wisplet_add_test(${name}): LABEL must be core, ui, x11 or dbus")
    endif()

    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE wisplet_test_support Qt6::Test ${ARG_LIBS})
    if(ARG_PRIVATE_MOUNTS)
        add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/tests/support/with-private-mounts $<TARGET_FILE:${name}>)
    else()
        add_test(NAME ${name} COMMAND ${name})
    endif()

    if(ARG_LABEL STREQUAL "x11")
        set(platform xcb)
    else()
        set(platform offscreen)
    endif()
    set_tests_properties(${name} PROPERTIES
        LABELS ${ARG_LABEL}
        TIMEOUT 300
        ENVIRONMENT "QT_QPA_PLATFORM=${platform};WISPLET_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
    if(ARG_LOCKS)
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${ARG_LOCKS}")
    endif()
endfunction()
