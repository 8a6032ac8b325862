# Empty dependencies file for jfnet.
# This may be replaced when dependencies are built.
