# Writes the manual page tarvik-cli.1 from the program's own --help texts,
# so that the page says what the built program does.
#   cmake -DCLI=path/to/tarvik-cli -DOUT=tarvik-cli.1 -DVERSION=x.y.z -P man_page.cmake

function(roff_escape text out)
  string(REPLACE "\\" "\\e" text "${text}")
  # A line starting with "." or "'" would be read as a request.
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(help_of out)
  execute_process(COMMAND ${CLI} ${ARGN} --help
    OUTPUT_VARIABLE text ERROR_VARIABLE err RESULT_VARIABLE rc ENCODING UTF-8)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${CLI} ${ARGN} --help failed (${rc}): ${err}")
  endif()
  roff_escape("${text}" text)
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

help_of(overview)
# The command list of the overview: lines "  name   what it does".
string(REGEX MATCHALL "\n  [a-z][a-z-]+  +[^\n]+" command_lines "${overview}")
set(commands)
foreach(line IN LISTS command_lines)
  string(REGEX MATCH "[a-z][a-z-]+" name "${line}")
  list(APPEND commands ${name})
endforeach()
if(NOT commands)
  message(FATAL_ERROR "no commands found in the output of ${CLI} --help")
endif()

string(TIMESTAMP today "%Y-%m-%d" UTC)
set(page ".TH TARVIK-CLI 1 \"${today}\" \"tarvik ${VERSION}\" \"User Commands\"\n")
string(APPEND page ".SH NAME\ntarvik-cli \\- map sheet frames for the Chinese national map series\n")
string(APPEND page ".SH SYNOPSIS\n.B tarvik-cli\n.I COMMAND\n[\\fIOPTIONS\\fR]\n")
string(APPEND page ".SH DESCRIPTION\n.nf\n${overview}.fi\n")
string(APPEND page ".SH COMMANDS\n")
foreach(name IN LISTS commands)
  help_of(text ${name})
  string(APPEND page ".SS ${name}\n.nf\n${text}.fi\n")
endforeach()
string(APPEND page ".SH FILES\n.TP\n.I ~/.config/tarvik/\nsettings saved by the window (\\fB\\-\\-settings\\fR reads them)\n")
string(APPEND page ".TP\n.I /usr/share/tarvik/rect_sheets.set\nthe shipped settings of large-scale rectangular sheets\n")
string(APPEND page ".SH SEE ALSO\n.BR tarvik (1),\n.BR ogrinfo (1),\nthe manual /usr/share/doc/tarvik/tarvik.html\n")
file(WRITE ${OUT} "${page}")
