# Warnings are errors for our own code only; Qt and GoogleTest headers come in as system headers.
function(quelta_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wconversion -Wno-sign-conversion -Werror)
endfunction()
