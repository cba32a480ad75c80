// Resource ids of the framework tests' resource script.
#pragma once

#define IDS_TEST_SHORT 101
#define IDS_TEST_LONG 102
