# One INTERFACE target carries the project's warning set; every target links it.
add_library(wisplet_warnings INTERFACE)
target_compile_options(wisplet_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual -Werror)
