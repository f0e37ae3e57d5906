# Warnings every project target is built with.
add_library(qvchat_warnings INTERFACE)
target_compile_options(qvchat_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow=compatible-local -Wnon-virtual-dtor -Wold-style-cast
  -Wcast-align -Woverloaded-virtual -Wformat=2)
