# Writes the gzipped manual page OUTPUT of PROGRAM with help2man from its --help and --version.
# With COMMANDS (names separated by commas), a COMMANDS section holds each command's own --help;
# SEE_ALSO (pages separated by commas, e.g. kvl-cli(1)) fills the SEE ALSO section.
# cmake -DHELP2MAN=... -DPROGRAM=... -DDESCRIPTION=... [-DCOMMANDS=a,b] [-DSEE_ALSO=p(1)]
#       -DOUTPUT=x.1.gz -P ManPage.cmake
cmake_minimum_required(VERSION 3.25)
get_filename_component(page ${OUTPUT} NAME_WLE)
get_filename_component(dir ${OUTPUT} DIRECTORY)
set(include_file ${dir}/${page}.include)
set(include_text "")
if(COMMANDS)
  string(REPLACE "," ";" commands "${COMMANDS}")
  get_filename_component(program_name ${PROGRAM} NAME)
  string(APPEND include_text "[COMMANDS]\n")
  foreach(command IN LISTS commands)
    execute_process(COMMAND ${PROGRAM} ${command} --help OUTPUT_VARIABLE help
                    RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "${program_name} ${command} --help failed (${status})")
    endif()
    # The text as printed: backslashes escaped, no line taken for a request.
    string(REPLACE "\\" "\\e" help "${help}")
    string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
    string(APPEND include_text ".SS \"${command}\"\n.nf\n${help}.fi\n")
  endforeach()
endif()
if(SEE_ALSO)
  string(REPLACE "," ",\n.BR " see_also "${SEE_ALSO}")
  string(REGEX REPLACE "\\(([0-9])\\)" " (\\1)" see_also "${see_also}")
  string(APPEND include_text "[SEE ALSO]\n.BR ${see_also}\n")
endif()
set(include_option)
if(include_text)
  file(WRITE ${include_file} "${include_text}")
  set(include_option --include=${include_file})
endif()
execute_process(
  COMMAND ${HELP2MAN} --no-info --section=1 --name=${DESCRIPTION} ${include_option}
          --output=${dir}/${page} ${PROGRAM}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man failed for ${PROGRAM}")
endif()
execute_process(COMMAND gzip -9nf ${dir}/${page} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip failed for ${page}")
endif()
