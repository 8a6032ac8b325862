CMakeFiles/jfnet.dir/jfnet_empty.cpp.o: /work/main/build/jfnet_empty.cpp \
 /usr/include/stdc-predef.h
