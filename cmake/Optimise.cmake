# How optimised builds with GCC are made faster than -O alone makes them.
#
# Profile-guided optimisation. A first build of the command-line checker, instrumented,
# in profile-training/ checks a generated site a few ways (TrainProfile.cmake) and leaves its
# counts in profile/; every file of this build is then compiled with them. The engine's time
# goes to a great many small branches, and their real directions save about a sixth of its CPU.
#
# On by default for optimised GCC builds; off for Debug, sanitizer and coverage builds, whose
# code would not match the profile. The profile is recorded once per build tree; files changed
# since are compiled as without a profile, and after large changes a new build tree records a
# new one.
set(profile_default OFF)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo)$"
   AND NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize|-fprofile|--coverage")
    set(profile_default ON)
endif()
option(MOKUROKU_PROFILE_GUIDED "Optimise with a profile of a check run (GCC)" ${profile_default})
# Set only for the instrumented build that records the profile.
option(MOKUROKU_PROFILE_TRAINING "Record a profile into MOKUROKU_PROFILE_DIR" OFF)
set(MOKUROKU_PROFILE_DIR "${CMAKE_BINARY_DIR}/profile" CACHE PATH
    "Where the profile is recorded and read")

# The counts are kept by object file, named relative to the build tree, so the two trees find
# each other's files.
if(MOKUROKU_PROFILE_TRAINING)
    add_compile_options(-fprofile-generate=${MOKUROKU_PROFILE_DIR} -fprofile-update=prefer-atomic
                        -fprofile-prefix-path=${CMAKE_BINARY_DIR})
    add_link_options(-fprofile-generate=${MOKUROKU_PROFILE_DIR})
elseif(MOKUROKU_PROFILE_GUIDED)
    # Code the training never ran is optimised as usual, not for size; files without counts
    # (tests, forms) and functions changed since the training build as without a profile.
    add_compile_options(-fprofile-use=${MOKUROKU_PROFILE_DIR} -fprofile-partial-training
                        -fprofile-prefix-path=${CMAKE_BINARY_DIR}
                        -Wno-missing-profile -Wno-coverage-mismatch)
    include(ExternalProject)
    set(training ${CMAKE_BINARY_DIR}/profile-training)
    # Under make the training build shares the jobs of the build that started it.
    if(CMAKE_GENERATOR MATCHES "Makefiles")
        set(build_training "$(MAKE)" mokuroku-check)
    else()
        include(ProcessorCount)
        ProcessorCount(cores)
        set(build_training ${CMAKE_COMMAND} --build ${training} --target mokuroku-check)
        if(cores GREATER 1)
            list(APPEND build_training -j ${cores})
        endif()
    endif()
    ExternalProject_Add(profile_training
        PREFIX ${training}
        SOURCE_DIR ${CMAKE_SOURCE_DIR}
        BINARY_DIR ${training}
        CMAKE_ARGS -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
                   -DCMAKE_CXX_COMPILER=${CMAKE_CXX_COMPILER}
                   -DCMAKE_CXX_FLAGS=${CMAKE_CXX_FLAGS}
                   -DMOKUROKU_PROFILE_GUIDED=OFF
                   -DMOKUROKU_PROFILE_TRAINING=ON
                   -DMOKUROKU_PROFILE_DIR=${MOKUROKU_PROFILE_DIR}
        BUILD_COMMAND ${build_training}
        INSTALL_COMMAND ${CMAKE_COMMAND} -DCHECKER=${training}/mokuroku-check
                        -DSOURCE=${CMAKE_SOURCE_DIR} -DWORK=${training}/train
                        -P ${CMAKE_SOURCE_DIR}/cmake/TrainProfile.cmake)
endif()

# Link-time optimisation of the two programs in Release builds: the engine's layers are optimised
# across files as one. Their objects keep machine code beside GCC's intermediate code, so the
# tests and benchmarks link them as usual, without that slow step.
set(link_time_default OFF)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_BUILD_TYPE STREQUAL "Release"
   AND NOT MOKUROKU_PROFILE_TRAINING)
    set(link_time_default ON)
endif()
option(MOKUROKU_LINK_TIME_OPTIMISED "Optimise the programs across files when linked (GCC)"
       ${link_time_default})
if(MOKUROKU_LINK_TIME_OPTIMISED)
    # GCC would otherwise optimise every link that meets intermediate code.
    add_link_options(-fno-lto)
endif()

# Called once every target is defined.
function(optimise_targets)
    if(MOKUROKU_LINK_TIME_OPTIMISED)
        foreach(t platform lib settings engine verify app)
            target_compile_options(${t} PRIVATE -flto=auto -ffat-lto-objects)
        endforeach()
        foreach(t mokuroku-check mokuroku)
            get_target_property(options ${t} LINK_OPTIONS)
            list(REMOVE_ITEM options -fno-lto)
            set_target_properties(${t} PROPERTIES LINK_OPTIONS "${options}")
            # GCC 12 finds false overflows inside libstdc++ once everything is inlined.
            target_link_options(${t} PRIVATE -flto=auto -Wno-stringop-overflow
                                -Wno-stringop-overread)
        endforeach()
    endif()
    if(MOKUROKU_PROFILE_TRAINING)
        # The checker ends with _exit, which skips the handler that writes the counts.
        target_sources(mokuroku-check PRIVATE ${CMAKE_SOURCE_DIR}/cmake/ProfileExit.cpp)
        target_link_options(mokuroku-check PRIVATE -Wl,--wrap=_exit)
    elseif(MOKUROKU_PROFILE_GUIDED)
        # Compiling waits for the counts; the engine's layers are what the training ran.
        foreach(t platform lib settings engine verify app mokuroku-check)
            add_dependencies(${t} profile_training)
        endforeach()
    endif()
endfunction()
