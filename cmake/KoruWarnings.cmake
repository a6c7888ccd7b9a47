# Strict warnings for koru's own targets; errors unless KORU_WERROR is off.
function(koru_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(KORU_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
