file(REMOVE_RECURSE
  "CMakeFiles/jfnet.dir/jfnet_empty.cpp.o"
  "CMakeFiles/jfnet.dir/jfnet_empty.cpp.o.d"
  "libjfnet.a"
  "libjfnet.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/jfnet.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
