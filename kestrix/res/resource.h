// Resource ids of Kestrix.exe: templates, bitmaps, icon, strings and the controls of every dialog.
// The numbers are what the settings, the catalogue tables and the tests rely on; do not renumber.
#pragma once

// Dialog templates.
#define IDD_ABOUTBOX                100
#define IDD_KESTRIX_DIALOG          102
#define IDD_SPLASH                  143
#define IDD_SERIAL_CHILD            149
#define IDD_PARALLEL_CHILD          151
#define IDD_USB_CHILD               153
#define IDD_ETHERNET_CHILD          154
#define IDD_SETUP_ETH_DEV           158
#define IDD_SETUP_USB_DRIVER        159
#define IDD_HISTORY                 160

// Icon and bitmaps.
#define IDR_MAINFRAME               128
#define IDB_LED_GREEN               129
#define IDB_LED_RED                 130
#define IDB_SPLASH                  148
#define IDB_LINE_LED_RED            135   // the small LEDs of the port pages
#define IDB_LINE_LED_GREEN          137

// System-menu commands of the main dialog (compared whole by the system-command handler).
#define IDM_ABOUTBOX                16
#define IDM_MANAGE_STRINGS_HISTORY  17
#define IDM_MANAGE_FILES_HISTORY    18

// Strings: system-menu texts.
#define IDS_ABOUTBOX                101
#define IDS_MANAGE_FILES_HISTORY    148
#define IDS_MANAGE_STRINGS_HISTORY  149

// Strings: registry value names.
#define IDS_NB_FILES_HISTORY        126
#define IDS_HIST_FILE               150
#define IDS_HIST_STRING             151
#define IDS_NB_STRING_HISTORY       166
#define IDS_FLOW_CONTROL            1013
#define IDS_SERIAL_PORT_ID          1038
#define IDS_BAUD_RATE               1039
#define IDS_INTERFACE_TYPE          1042
#define IDS_USB_OUT_ENDPOINT        1043
#define IDS_PARALLEL_PORT_ID        1045
#define IDS_THESAURUS_DLL_NAME      1046
#define IDS_CHECK_STATUS_MODE       1047
#define IDS_PARITY                  1204
#define IDS_DATA_BITS               1205
#define IDS_STOP_BITS               1206
#define IDS_ETHERNET_IP_ADDRESS     1207
#define IDS_ETHERNET_PORT           1209
#define IDS_RECONNECT_MODE          1210
#define IDS_REAL_TIME_ETHERNET_PORT 1211
#define IDS_USM_ETHERNET_PORT       1212
#define IDS_STRING_MODE             1213
#define IDS_SHOW_USM_WINDOW         1214
#define IDS_LOTTERY_PACKET_MODE     1215
#define IDS_KIOSK_PACKET_MODE       1216

// Controls of the main dialog (template 102).
#define IDC_DATA_STRING             1001
#define IDC_FILE_NAME               1002
#define IDC_START_FILE              1003
#define IDC_START_FIRMWARE          1005
#define IDC_PROGRESS                1006
#define IDC_STEP_DOWNLOAD_MODE      1007
#define IDC_STEP_FLASH_SIZE         1008
#define IDC_STEP_ERASE_FLASH        1009
#define IDC_STEP_DOWNLOAD_CODE      1010
#define IDC_STEP_CHECK_CRC          1011
#define IDC_STEP_READ_CRC           1012
#define IDC_IF_SERIAL               1014
#define IDC_LED_STEP0               1015
#define IDC_LED_STEP1               1016
#define IDC_LED_STEP2               1017
#define IDC_LED_STEP3               1018
#define IDC_LED_STEP4               1019
#define IDC_CRC_VALUE               1022
#define IDC_FILE_HISTORY            1025
#define IDC_BROWSE                  1026
#define IDC_START_STRING            1027
#define IDC_RX_LIST                 1028
#define IDC_CLEAR_BUFFER            1029
#define IDC_ASCII                   1030
#define IDC_HEX                     1031
#define IDC_SAVE_RX                 1032
#define IDC_PERCENT                 1033
#define IDC_REPEAT_COUNTER          1041
#define IDC_IF_USB                  1043
#define IDC_USM_LIST                1045
#define IDC_REPEAT                  1058
#define IDC_REPEAT_COUNT            1059
#define IDC_REPEAT_DELAY            1060
#define IDC_TIMES_LABEL             1061
#define IDC_MS_LABEL                1062
#define IDC_DELAY_LABEL             1063
#define IDC_SELECT_FILE_GROUP       1064
#define IDC_TRANSMIT_FILE_GROUP     1065
#define IDC_SEND_STRING_GROUP       1066
#define IDC_COMMUNICATION_GROUP     1067
#define IDC_FIRMWARE_GROUP          1068
#define IDC_LOTTERY_PACKET          1069
#define IDC_SHOW_USM                1070
#define IDC_KIOSK_PACKET            1071
#define IDC_RECEIVE_GROUP           1075
#define IDC_IF_PARALLEL             1078
#define IDC_CHILD_PLACEHOLDER       1087
#define IDC_RATE_VALUE              1156
#define IDC_RATE_LABEL              1157
#define IDC_VIEW_LOG                1158
#define IDC_IF_ETHERNET             1300

// About box (template 100) and splash window (template 143).
#define IDC_ABOUT_VERSION           1085
#define IDC_SPLASH_PICTURE          1086

// Child dialogs (templates 149, 151, 153, 154): the frame of each settings page.
#define IDC_SERIAL_GROUP            1116
#define IDC_PARALLEL_GROUP          1053
#define IDC_USB_GROUP               1048
#define IDC_ETHERNET_GROUP          1099
#define IDC_ETHERNET_ADDRESS        1098

// Serial page (template 149).
#define IDC_SERIAL_PORT             1038
#define IDC_BAUD_RATE               1039
#define IDC_PARITY                  1204
#define IDC_DATA_BITS               1205
#define IDC_STOP_BITS               1206
#define IDC_FLOW_CONTROL            1013
#define IDC_BAUD_RATE_GROUP         1040
#define IDC_PARITY_GROUP            1035
#define IDC_DATA_BITS_GROUP         1036
#define IDC_STOP_BITS_GROUP         1037
#define IDC_FLOW_CONTROL_GROUP      1034
#define IDC_LINE_STATUS_GROUP       1095
#define IDC_DSR_LABEL               1090
#define IDC_CTS_LABEL               1091
#define IDC_RING_LABEL              1092
#define IDC_DCD_LABEL               1093
#define IDC_XONXOFF_LABEL           1094
#define IDC_LED_DSR                 1020
#define IDC_LED_CTS                 1024
#define IDC_LED_RING                1025
#define IDC_LED_DCD                 1026
#define IDC_LED_XONXOFF             1027

// Parallel page (template 151).
#define IDC_PARALLEL_PORT           1044
#define IDC_PARALLEL_INFO           1109
#define IDC_PARALLEL_B_LABEL        1070
#define IDC_PARALLEL_P_LABEL        1071
#define IDC_PARALLEL_S_LABEL        1072

// USB page (template 153).
#define IDC_USB_NORMAL              1046
#define IDC_USB_REAL_TIME           1047
#define IDC_USB_OUT_GROUP           1049
#define IDC_USB_DEVICE              1050
#define IDC_USB_INFO                1108
#define IDC_USB_SETUP_DRIVER        1109
#define IDC_USB_ERROR_LABEL         1114
#define IDC_USB_PAPER_OUT_LABEL     1115
#define IDC_USB_LED_ERROR           1116
#define IDC_USB_LED_PAPER_OUT       1021
#define IDC_USB_STATUS_GROUP        1122
#define IDC_USB_MONITOR             1152

// Ethernet page (template 154).
#define IDC_IP_ADDRESS_LABEL        1100
#define IDC_MAIN_PORT               1101
#define IDC_USM_PORT                1102
#define IDC_MAC_ADDRESS_LABEL       1103
#define IDC_MAC_ADDRESS             1104
#define IDC_REAL_TIME_PORT          1105
#define IDC_ETHERNET_MAIN           1110
#define IDC_ETHERNET_REAL_TIME      1111
#define IDC_ETHERNET_SETTINGS_GROUP 1112
#define IDC_ETHERNET_SETUP          1123
#define IDC_ETHERNET_AUTO           1151
#define IDC_USM_PORT_LABEL          1154
#define IDC_ETHERNET_OPTIONS_GROUP  1155

// Ethernet device set-up (template 158).
#define IDC_DEVICE_LIST             1126
#define IDC_SEARCH_DEVICES          1127
#define IDC_UPDATE_DEVICE           1128
#define IDC_REBOOT_DEVICE           1130
#define IDC_NEW_IP_ADDRESS          1133
#define IDC_NEW_DEVICE_NAME         1134
#define IDC_NEW_IP_LABEL            1136
#define IDC_NEW_NAME_LABEL          1138
#define IDC_SELECTED_DEVICE_GROUP   1140

// USB driver set-up (template 159).
#define IDC_USB_DEVICE_LIST         1146
#define IDC_REFRESH_USB_DEVICES     1147
#define IDC_FORCE_DRIVER            1148
#define IDC_RESTORE_DRIVER          1149

// History manager (template 160).
#define IDC_HISTORY_ADD             3
#define IDC_HISTORY_DELETE          4
#define IDC_HISTORY_LIST            1165
#define IDC_HISTORY_SAVE_AS         1166
#define IDC_HISTORY_LOAD            1167

#ifndef IDC_STATIC
#define IDC_STATIC                  (-1)
#endif
