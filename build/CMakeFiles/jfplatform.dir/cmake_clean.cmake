file(REMOVE_RECURSE
  "CMakeFiles/jfplatform.dir/platform/src/LastError.cpp.o"
  "CMakeFiles/jfplatform.dir/platform/src/LastError.cpp.o.d"
  "CMakeFiles/jfplatform.dir/platform/src/Tick.cpp.o"
  "CMakeFiles/jfplatform.dir/platform/src/Tick.cpp.o.d"
  "CMakeFiles/jfplatform.dir/platform/src/Utf.cpp.o"
  "CMakeFiles/jfplatform.dir/platform/src/Utf.cpp.o.d"
  "libjfplatform.a"
  "libjfplatform.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/jfplatform.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
