# Empty dependencies file for jfplatform.
# This may be replaced when dependencies are built.
