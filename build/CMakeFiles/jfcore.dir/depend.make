# Empty dependencies file for jfcore.
# This may be replaced when dependencies are built.
