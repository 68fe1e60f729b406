# Writes the zip's README.txt: TEMPLATE with @EXIT_STATUSES@ replaced by the
# Windows list that PROGRAM (exit-statuses) prints, so that it never differs
# from what gimbalctl.exe --help lists.
execute_process(COMMAND ${PROGRAM} --windows OUTPUT_VARIABLE EXIT_STATUSES
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
