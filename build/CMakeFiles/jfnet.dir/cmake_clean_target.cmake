file(REMOVE_RECURSE
  "libjfnet.a"
)
