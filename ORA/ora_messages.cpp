#include "ORA/ora_messages.h"

const tk_error_entry ora_messages[] = {
    {0x100001,
     "Duplicate field values being used for an unique index were found.\nSee 'Troubleshooting' "
     "article of the "
     "product documentation\nfor solution."},
    {0x1003F9, "Invalid user name or password."},
    {0x10067A,
     "Not enough free contiguous space in the tablespace to create the object.\nUse ALTER "
     "TABLESPACE ADD "
     "DATAFILE to add additional space to the tablespace."},
    {0x10079E, "User does not have the necessary privileges to create tables."},
    {0x1008FA,
     "There are orphaned records that prevent from creating foreign key. For more\ninformation see "
     "Troubleshooting article of the product documentation."},
    {0x102F7A, "Oracle data source does not exist. Check to verify the correct name was given."},
    {0x1030D4,
     "ORA-12500: the listener could not start a server process. For more information\nsee "
     "Troubleshooting "
     "article of the product documentation."},
    {0x1030D9,
     "ORA-12505: the program could not resolve service name. For more information\nsee "
     "Troubleshooting "
     "article of the product documentation."},
    {0x1030E2, "Cannot resolve Oracle service name. Check to verify the correct name was given.\n"},
    {0x1030FD,
     "ORA-12541: no listener. For more information see Troubleshooting\narticle of the product "
     "documentation."},
    {0x103101,
     "ORA-12545: connect failed because target host or object does not exist.\nFor more "
     "information see "
     "Troubleshooting article of the product documentation."},
    {0x106D60,
     "Wrong password was entered the maximum number of times or\nthe DBA has locked the account."},
};

const size_t ora_messages_count = sizeof ora_messages / sizeof ora_messages[0];
