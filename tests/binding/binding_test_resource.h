// Test templates of the four port pages, holding the controls whose captions and tips the
// catalogue binding sets, under the control ids of the program's pages.
#pragma once

#define IDD_TEST_SERIAL_PAGE    901
#define IDD_TEST_PARALLEL_PAGE  902
#define IDD_TEST_USB_PAGE       903
#define IDD_TEST_ETHERNET_PAGE  904
#define IDD_TEST_HOST           905

// A control no tip table lists.
#define IDC_TEST_UNLISTED       1155
