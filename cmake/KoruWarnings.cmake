# Strict warnings for koru's own targets; errors unless KORU_WERROR is off.
# -Wno-trigraphs: C++17 has no trigraphs, and "??" ends every macro definition,
# so gcc's note that "??<" is ignored would only be noise.
function(koru_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wno-trigraphs)
  if(KORU_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
