# The tests that take a second or more on a quiet machine carry the label
# "slow", so that `ctest -LE slow` is a loop of seconds; the test command and
# CI run them all. Read by ctest (through the build folder's
# slow_labels.cmake, which names the discovered test lists), so a change here
# needs no new configure. Each pattern is a regular expression matched
# against the test's name as ctest lists it.
set(_slow_patterns
  # The program run on the sample, as a player would, or started and ended.
  [[^(Story)?Playthrough(Label)?\.]]
  [[^QuillonProcess\.]]
  # The sample written here rather than copied.
  [[^SampleGame\.(EveryRunWritesTheSameSmallFolder|ConfigurationNamesWhatTheScenesLookFor|WritingAgainKeepsTheSavesAndRefusesForeignFolders)$]]
  # The game started on a whole test game (or the sample) and its scenes run
  # frame by frame.
  [[^(Backlog|ChoiceBuiltins|Config|DebugStatusDraw|Gallery|MainScene|MessageScene|MusicRoom|PictureFrames|Replay|SampleButtons|SampleScenes|SaveLoad|ScreenFrames|StandBuiltins)\.]]
  [[^Ends/OpeningScene\.]]
  [[^(MovieInTheStory|SoundWaits|Startup\.SaveFolderPlaceFollowsBothConfigurationFiles|SystemScene\.NoticesComeOneAtATimeTheSystemsFirst)]]
  # The write protocol's sweeps: copies ended, met and cut off by power
  # losses at their steps, each case a folder written and settled.
  [[^WriteSweep\.]]
  # Every name the game makes in a shared save folder, planted six ways, each
  # row a player's process and a start's.
  [[^CrashSafety\.NothingPlantedInASharedFolderIsWrittenThroughOrCostsAWrite$]]
  # Large pictures, many frames, many sounds.
  [[^Decoders\.PngsThatCompressWellAreRead$]]
  [[^TextureTest\.AHugePictureCostsItsTextureAndOneCopyAtMost$]]
  [[^(ScalarPath|FusedSpans|Stress|Cache\.LimitPurgesFirst|MoviePlayback\.OpenPlayStopAndClose200Times)]]
)
# The whole of those sweeps, which the test command leaves out (its
# presets exclude the label "whole"; `ctest --test-dir build/release -L
# whole` runs them).
set(_whole_patterns
  [[^WriteSweep\.Whole]]
)
foreach(_list IN LISTS QUILLON_TEST_LISTS)
  foreach(_test IN LISTS ${_list})
    foreach(_pattern IN LISTS _whole_patterns)
      if(_test MATCHES "${_pattern}")
        set_tests_properties("${_test}" PROPERTIES LABELS "slow;whole")
      endif()
    endforeach()
  endforeach()
endforeach()
foreach(_list IN LISTS QUILLON_TEST_LISTS)
  foreach(_test IN LISTS ${_list})
    foreach(_pattern IN LISTS _slow_patterns)
      if(_test MATCHES "${_pattern}" AND NOT _test MATCHES "^WriteSweep\\.Whole")
        set_tests_properties("${_test}" PROPERTIES LABELS slow)
        break()
      endif()
    endforeach()
  endforeach()
endforeach()
