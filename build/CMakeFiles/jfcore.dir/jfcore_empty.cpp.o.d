CMakeFiles/jfcore.dir/jfcore_empty.cpp.o: \
 /work/main/build/jfcore_empty.cpp /usr/include/stdc-predef.h
