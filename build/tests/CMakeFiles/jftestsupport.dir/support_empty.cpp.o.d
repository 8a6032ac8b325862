tests/CMakeFiles/jftestsupport.dir/support_empty.cpp.o: \
 /work/main/build/tests/support_empty.cpp /usr/include/stdc-predef.h
