file(REMOVE_RECURSE
  "CMakeFiles/jfcore.dir/jfcore_empty.cpp.o"
  "CMakeFiles/jfcore.dir/jfcore_empty.cpp.o.d"
  "libjfcore.a"
  "libjfcore.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/jfcore.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
