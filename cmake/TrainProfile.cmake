# Records the optimiser's profile with the instrumented checker (Optimise.cmake): checks a site
# made by the benchmarks' generator (Shift_JIS, EUC-JP and ISO-2022-JP pages, broken links and
# anchors; smaller than any site bench/run times) as today's sites are read, by the original
# rules, and with every report, and the bundled sample site.
#   cmake -DCHECKER=... -DSOURCE=... -DWORK=... -P TrainProfile.cmake
find_program(PYTHON NAMES python3 REQUIRED)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/config)
execute_process(COMMAND ${PYTHON} ${SOURCE}/bench/make_site.py ${WORK}/site 500 40
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "profile training: the site could not be generated")
endif()

# The settings of whoever builds play no part.
set(run ${CMAKE_COMMAND} -E env HOME=${WORK} XDG_CONFIG_HOME=${WORK}/config ${CHECKER} -q)
set(site ${WORK}/site)
set(today ${site})
set(original --no-modern ${site})
set(reports --json ${WORK}/r.json --sarif ${WORK}/r.sarif --junit ${WORK}/r.xml ${site})
set(sample -t csv ${SOURCE}/examples/site)
foreach(way today original reports sample)
    execute_process(COMMAND ${run} -o ${WORK}/log ${${way}} RESULT_VARIABLE status)
    # 1 says only that the log holds warnings, as these sites' logs do.
    if(NOT status MATCHES "^[01]$")
        message(FATAL_ERROR "profile training: the check '${way}' failed (${status})")
    endif()
endforeach()
file(REMOVE_RECURSE ${site})
