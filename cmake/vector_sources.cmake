# Sources with AVX-512 intrinsics: GCC 12's conversion and shuffle intrinsics use an
# undefined vector on purpose and warn about it where they are inlined (a known false
# positive of those headers), which -Werror would turn into a failed build.
function(marloq_vector_sources)
  set_source_files_properties(${ARGN} PROPERTIES COMPILE_OPTIONS
    "$<$<CXX_COMPILER_ID:GNU>:-Wno-uninitialized;-Wno-maybe-uninitialized>")
endfunction()
