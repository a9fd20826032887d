# Fails when Doxygen found an undocumented public class in the headers a host starts from:
# the session, the pipeline and the services. Run by the docs target with -DLOG=<warnings file>.
file(STRINGS "${LOG}" undocumented
  REGEX "/dorsa/(session|pipeline|services)/[^:]+:[0-9]+: warning: Compound .* is not documented")
if(undocumented)
  list(JOIN undocumented "\n" lines)
  message(FATAL_ERROR "Public classes without documentation:\n${lines}")
endif()
