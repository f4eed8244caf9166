# Warnings belong to our own targets, not to the global flags, which also reach the checks
# that find modules compile.
function(vornis_warnings)
  foreach(target IN LISTS ARGN)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
  endforeach()
endfunction()
