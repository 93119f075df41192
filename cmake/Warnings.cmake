# Compiler warnings shared by every target of the project (not by GoogleTest).
function(qlx_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(QLX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
