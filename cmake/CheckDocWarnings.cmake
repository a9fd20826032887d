# Fails when Doxygen found an undocumented public class in any folder of the library.
# Run by the docs target with -DLOG=<warnings file>.
file(STRINGS "${LOG}" undocumented
  REGEX "/dorsa/[^:]+:[0-9]+: warning: Compound .* is not documented")
if(undocumented)
  list(JOIN undocumented "\n" lines)
  message(FATAL_ERROR "Public classes without documentation:\n${lines}")
endif()
