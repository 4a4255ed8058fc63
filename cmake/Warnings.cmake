# One INTERFACE target carries the project's warning set; every target links it.
# Warnings are errors only where we control the compiler (the tests and the benchmarks turn the option on):
# a user's build on a newer or older GCC must not fail on a warning it has never been checked against.
option(WISPLET_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)

add_library(wisplet_warnings INTERFACE)
target_compile_options(wisplet_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
    $<$<BOOL:${WISPLET_WARNINGS_AS_ERRORS}>:-Werror>)
