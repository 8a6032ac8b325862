file(REMOVE_RECURSE
  "libjfplatform.a"
)
