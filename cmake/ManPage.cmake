# The manual page of the command-line program, made from its own help texts:
#   cmake -DPROGRAM=membrane -DVERSION=2.5 -DOUTPUT=membrane.1 -P ManPage.cmake
# The page holds the overview and, per command, its help as the program prints it (its
# options and its exit statuses), so that the manual says what --help says.
foreach(variable PROGRAM VERSION OUTPUT)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "ManPage.cmake needs -D${variable}=...")
  endif()
endforeach()

# Help text as roff: backslashes doubled, a leading dot or quote escaped, kept as printed.
function(help_as_roff arguments result)
  execute_process(COMMAND ${PROGRAM} ${arguments} --help
                  OUTPUT_VARIABLE text RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} ${arguments} --help failed: ${status}")
  endif()
  string(REPLACE "${PROGRAM}" "membrane" text "${text}")
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${result} ".nf\n${text}.fi\n" PARENT_SCOPE)
endfunction()

help_as_roff("" overview)
set(page ".TH MEMBRANE 1 \"\" \"membrane ${VERSION}\" \"User Commands\"
.SH NAME
membrane \\- minimum-area membranes over a triangular plan mesh, from the command line
.SH SYNOPSIS
.B membrane
.I COMMAND
[\\fIOPTIONS\\fR]
.SH DESCRIPTION
Finds the heights of the free nodes of a flat triangular mesh for which the lifted
triangles have the least area (a discrete minimal surface), by Newton's method on the
exact Hessian; makes model files from surface meshes and writes the membrane as surfaces.
Lengths are in metres, the membrane weight in kN/m\\(S2.
.PP
${overview}")
foreach(command run import export generate vrml)
  help_as_roff("${command}" text)
  string(TOUPPER "${command}" title)
  string(APPEND page ".SH \"MEMBRANE ${title}\"\n${text}")
endforeach()
string(APPEND page ".SH SEE ALSO\n.BR membrane-gui (1)\n")
file(WRITE ${OUTPUT} "${page}")
