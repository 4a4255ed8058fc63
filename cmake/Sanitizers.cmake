# AddressSanitizer and UndefinedBehaviorSanitizer for the whole build (tests use it; release builds do not).
option(WISPLET_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

if(WISPLET_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()
