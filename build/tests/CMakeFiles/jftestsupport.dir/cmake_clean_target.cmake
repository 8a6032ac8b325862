file(REMOVE_RECURSE
  "libjftestsupport.a"
)
