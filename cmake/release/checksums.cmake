# Run by CPack once both bitnesses are staged: SHA256SUMS beside the files,
# one "hash  path" line per file, as sha256sum -c reads it.
set(root "${CPACK_TEMPORARY_DIRECTORY}")
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${root}" "${root}/*")
list(REMOVE_ITEM files SHA256SUMS)
list(SORT files)
set(text "")
foreach(file IN LISTS files)
  file(SHA256 "${root}/${file}" hash)
  string(APPEND text "${hash}  ${file}\n")
endforeach()
file(WRITE "${root}/SHA256SUMS" "${text}")
