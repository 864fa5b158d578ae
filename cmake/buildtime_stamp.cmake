# Writes the current time (seconds since 1970, UTC) to OUT, without a line break.
string(TIMESTAMP now "%s" UTC)
file(WRITE ${OUT} "${now}")
