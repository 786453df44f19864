# Writes the desktop queue's PPD (OUTPUT) from the fax queue's (INPUT): the same options, so that
# the print dialog on the desktop shows the same panels, but PDF passes through to the print
# server, which renders it, runs jobfilter and counts the pages. Run with cmake -P.
file(READ "${INPUT}" ppd)

function(nx_replace_line keyword value)
  string(REGEX MATCHALL "\n\\*${keyword}:[^\n]*" found "${ppd}")
  list(LENGTH found count)
  if(NOT count EQUAL 1)
    message(FATAL_ERROR "${INPUT}: expected one *${keyword} line, found ${count}")
  endif()
  string(REPLACE "${found}" "\n*${keyword}: ${value}" ppd "${ppd}")
  set(ppd "${ppd}" PARENT_SCOPE)
endfunction()

nx_replace_line(cupsFilter2 "\"application/pdf application/pdf 0 -\"")
nx_replace_line(PCFileName "\"NXFAXCL.PPD\"")
nx_replace_line(ModelName "\"Norvalex MFP Fax Client\"")
nx_replace_line(ShortNickName "\"Norvalex MFP Fax Client\"")
nx_replace_line(NickName "\"Norvalex MFP Fax Client (desktop queue of a fax server)\"")

# Say what this file is right below the first line (which must stay first).
string(FIND "${ppd}" "\n" first_end)
string(SUBSTRING "${ppd}" 0 ${first_end} first_line)
string(SUBSTRING "${ppd}" ${first_end} -1 rest)
set(ppd "${first_line}\n*% Desktop queue in front of a fax print server's queue: made from nxfax.ppd at build time.\n*% The desktop sends PDF on; the server's queue (nxfax.ppd) makes the fax job.${rest}")

file(WRITE "${OUTPUT}.tmp" "${ppd}")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
