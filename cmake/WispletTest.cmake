# wisplet_add_test(<name> LABEL <core|ui|x11|dbus> SOURCES <files...> [LIBS <targets...>] [LOCKS <resources...>]
#                  [PRIVATE_MOUNTS])
#
# Builds one Qt Test executable and registers it with CTest under its label:
#   core  headless, offscreen platform
#   ui    widgets on the offscreen platform
#   x11   an X server of its own, Xvfb with openbox (xcb platform), so that X tests run side by side, as many
#         at once as ./test's resource spec offers displays
#   dbus  the harness's private session bus and keyring (offscreen platform)
# Tests that share the harness's bus or keyring name what they share in LOCKS. PRIVATE_MOUNTS runs the
# test in a mount namespace of its own, where it may mount small file systems (tests/support/TinyDisk.h).
function(wisplet_add_test name)
    cmake_parse_arguments(ARG "PRIVATE_MOUNTS" "LABEL" "SOURCES;LIBS;LOCKS" ${ARGN})
    if(NOT ARG_LABEL MATCHES "^(core|ui|x11|dbus)$")
        message(FATAL_ERROR "wisplet_add_test(${name}): LABEL must be core, ui, x11 or dbus")
    endif()

    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE wisplet_test_support Qt6::Test ${ARG_LIBS})
    set(command $<TARGET_FILE:${name}>)
    if(ARG_LABEL STREQUAL "x11")
        list(PREPEND command ${PROJECT_SOURCE_DIR}/tests/support/with-own-display)
    endif()
    if(ARG_PRIVATE_MOUNTS)
        list(PREPEND command ${PROJECT_SOURCE_DIR}/tests/support/with-private-mounts)
    endif()
    add_test(NAME ${name} COMMAND ${command})

    if(ARG_LABEL STREQUAL "x11")
        set(platform xcb)
    else()
        set(platform offscreen)
    endif()
    set_tests_properties(${name} PROPERTIES
        LABELS ${ARG_LABEL}
        TIMEOUT 300
        ENVIRONMENT "QT_QPA_PLATFORM=${platform};WISPLET_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
    if(ARG_LABEL STREQUAL "x11")
        # Each takes one of the displays ./test offers, so that a few run at once on a loaded machine.
        set_tests_properties(${name} PROPERTIES RESOURCE_GROUPS "displays:1")
    endif()
    if(ARG_LOCKS)
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${ARG_LOCKS}")
    endif()
endfunction()
