# The GoogleTest suites in the browser build: each executable runs whole under Node (one process
# per executable: a WebAssembly module takes a while to start), with the host's file system.
# Left out there: the QTest classes, the sources that start the programs as processes or reach
# hidapi or the system's USB facts, and the executables whose libraries the build lacks.
set(tesmaro_native_only_tests format install usbvm)

# The programs are not built here; tests that depend on them are left out, and their names stay
# as empty targets so that the folders' add_dependencies calls hold.
foreach(program tesmaro tesmaro-cli)
  if(NOT TARGET ${program})
    add_custom_target(${program})
  endif()
endforeach()

# A source is left out when it is a test of the CLI or includes or calls one of these: Node starts no processes, and the
# hidapi back end and the USB probe are not built.
set(tesmaro_web_excluded "#include.*(support/run_process\\.h|support/signalled_run\\.h|hidapi|hid/usb_probe\\.h)|CreateHidapiPlatform|UsbBusPathOf|AclEntries|LockHolderPid")

# Node itself: the emulator emcmake sets carries an option that Node 20 refuses.
find_program(TESMARO_NODE NAMES node nodejs REQUIRED)

# Cases left out of an executable (gtest filter patterns): what needs fork, threads, a file size
# limit, hard links or the permissions of a user other than the one Node runs as. Node's file
# system under Emscripten has none of these.
set(tesmaro_web_skipped_test_common "SettingsWrites.FullDiskKeepsTheOldFileWhole:SettingsWrites.ReadOnlyFolder*")
set(tesmaro_web_skipped_test_imagefile "SafeSave.AFileThatMayNotBeWrittenIsLeftAndNamed:SafeSave.AWritableFileInAReadOnlyFolder*:SafeSave.EachKindOfTargetIsWrittenAndKeptWhatItIs:SafeSave.FailedWriteLeavesTheOldFileIntact")
set(tesmaro_web_skipped_test_production "SerialPool.ThreadsNeverGetTheSameNumber:SerialPool.ANumberStillOnAChipIsPendingInTheFileUntilItsChipIsDone:StationRun.AStationTakesItsProgrammerAgainWhenItComesBackOnTheSamePort:StationRun.EachProgrammerEndsOnItsOwnAndNoNumberIsGivenTwice:ProductionLog.ConcurrentWritersLeaveWholeLines")
# The local time zone (Emscripten's C library knows only UTC), and a check that runs python3.
string(APPEND tesmaro_web_skipped_test_production ":ProductionLog.TimeIsIso8601WithTheZonesOffset:ProductionLog.LinesParseWithEveryFieldAndAppendsNeverRewrite")
# A file lock held by another holder (Emscripten's locks always succeed) and a file size limit.
string(APPEND tesmaro_web_skipped_test_production ":SerialPool.ANumberThatMayBeOnAChipIsNeverHandedOutAgain:StationRun.NoChipIsWrittenWhoseNumberCannotBeRecordedFirst:ProductionLog.ALineIsAppendedWholeOrNotAtAll")
set(tesmaro_web_skipped_test_programmer "SimulatorImage.NewImageIsCreatedWholeAndLockedByTheFirstOperation:SimulatorImage.UnreadableFileIsAnError")

function(tesmaro_gtest name)
  cmake_parse_arguments(T "" "COST" "SOURCES;LIBS" ${ARGN})
  set(sources)
  foreach(source ${T_SOURCES})
    file(STRINGS ${CMAKE_CURRENT_SOURCE_DIR}/${source} excluded REGEX "${tesmaro_web_excluded}")
    # test_cli_*: the CLI's tests, which run tesmaro-cli.
    if(NOT excluded AND NOT source MATCHES "^test_cli_")
      list(APPEND sources ${source})
    endif()
  endforeach()
  set(missing FALSE)
  foreach(lib ${T_LIBS})
    if(lib MATCHES "^tesmaro_" AND NOT TARGET ${lib})
      set(missing TRUE)
    endif()
  endforeach()
  if(missing OR NOT sources)
    add_custom_target(${name})
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/..)
  target_compile_definitions(${name} PRIVATE TESMARO_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                                             TESMARO_BINARY_DIR="${CMAKE_BINARY_DIR}")
  # The host's file system as the module's own (the tests read the source tree and write
  # temporary folders), the script and its module in one file for Node.
  target_link_options(${name} PRIVATE -sNODERAWFS=1 -sSINGLE_FILE=1 -sEXIT_RUNTIME=1)
  set_target_properties(${name} PROPERTIES SUFFIX .js)
  set(filter)
  if(DEFINED tesmaro_web_skipped_${name})
    set(filter --gtest_filter=-${tesmaro_web_skipped_${name}})
  endif()
  add_test(NAME ${name} COMMAND ${TESMARO_NODE} $<TARGET_FILE:${name}> ${filter})
  set_tests_properties(${name} PROPERTIES TIMEOUT 600 LABELS web)
endfunction()

function(tesmaro_qtest name)
  add_custom_target(${name})
endfunction()
