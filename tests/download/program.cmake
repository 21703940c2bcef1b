# The workflow's text rules, in every tree.
skylaunch_add_test(download_rules_test SOURCES DownloadProgramRulesTest.cpp LIBS download_rules)

