// Resource ids of the framework tests' resource script.
#pragma once

#define IDS_TEST_SHORT 101
#define IDS_TEST_LONG 102

#define IDD_TEST 200
#define IDD_CHILD 201

#define IDC_NAME 1001
#define IDC_DELAY 1002
#define IDC_COUNT 1003
#define IDC_RADIO_A 1010
#define IDC_RADIO_B 1011
#define IDC_RADIO_C 1012
#define IDC_CHECK 1020
#define IDC_COMBO_LIST 1030
#define IDC_COMBO_EDIT 1031
#define IDC_LIST 1040
#define IDC_LABEL 1050
#define IDC_GROUP 1051
#define IDC_FILL 1060
#define IDC_ORDER 1061
#define IDC_IP 1070
#define IDC_CHILD_HOST 1080
#define IDC_CHILD_EDIT 1101
