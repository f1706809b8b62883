# Included by CTest after the discovered cases are known.
set_tests_properties(WineSuite.ServerBusyPastTheBudgetFailsTheRun PROPERTIES TIMEOUT 120)
