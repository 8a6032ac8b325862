file(REMOVE_RECURSE
  "CMakeFiles/jftestsupport.dir/support_empty.cpp.o"
  "CMakeFiles/jftestsupport.dir/support_empty.cpp.o.d"
  "libjftestsupport.a"
  "libjftestsupport.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/jftestsupport.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
