# Included by CTest after the discovered cases are known.
set_tests_properties(WineSuite.ServerBusyPastTheBudgetFailsTheRun
                     WineSuite.ServerRejectingEachCallOnceIsWaitedForWithinTheBudget PROPERTIES TIMEOUT 120)
