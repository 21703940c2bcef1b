# The asynchronous HTTP client: its text rules everywhere.
skylaunch_add_test(client_rules_test SOURCES orbInternetRulesTest.cpp LIBS orbinternet_core)
