# Empty dependencies file for jftestsupport.
# This may be replaced when dependencies are built.
