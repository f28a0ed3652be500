# Settings for the command-line programs, which use only the C library: no exceptions or RTTI, and
# the linker drops every library nothing refers to, so libstdc++ is never loaded at start-up.
add_library(morsel_plain_program INTERFACE)
add_library(morsel::plain_program ALIAS morsel_plain_program)
target_compile_features(morsel_plain_program INTERFACE cxx_std_20)
target_compile_options(morsel_plain_program INTERFACE -fno-exceptions -fno-rtti)
target_link_options(morsel_plain_program INTERFACE -Wl,--as-needed)
target_link_libraries(morsel_plain_program INTERFACE morsel::warnings)
