file(REMOVE_RECURSE
  "libjfcore.a"
)
