#include "MSS/mss_messages.h"

#define TSL_SUPPORT "Please contact support@example.com for the solution."

const tk_error_entry mss_messages[] = {
    {0x00080E03, "Given values violate the database schema."},
    {0x00080E07, "A literal value could not be converted to the correct type." TSL_SUPPORT},
    {0x00080E09,
     "You are not allowed to access MS SQL database. Ask your\nsystem administrator to grant you "
     "necessary privileges."},
    {0x00080E11, "Invalid column ID. " TSL_SUPPORT},
    {0x00080E13, "Invalid value. " TSL_SUPPORT},
    {0x00080E17, "A data source with the specified name already exists."},
    {0x00080E1D, "Requested conversion is not supported."},
    {0x00080E21, "Errors occurred. " TSL_SUPPORT},
    {0x00080E2F,
     "The specified record violates the integrity constraints.\nSee 'Troubleshooting' article of "
     "the product documentation\nfor solution."},
    {0x00080E30, "The given type name was unrecognized."},
    {0x00080E34, "The specified index already exists."},
    {0x00080E35, "The specified index does not exist."},
    {0x00080E37, "The specified table does not exist."},
    {0x00080E3A, "A specified precision was invalid."},
    {0x00080E3B, "A specified scale was invalid."},
    {0x00080E3C, "Invalid table ID. " TSL_SUPPORT},
    {0x00080E3D, "A specified type was invalid."},
    {0x00080E3E, "A column ID was occurred more than once in the specification."},
    {0x00080E3F,
     "The specified table already exists. Try to connect as database owner\nusing the appropriate "
     "checkbox on 'Connect to MS SQL server' wizard page."},
    {0x00080E42, "The specified record number is invalid."},
    {0x00080E4D, "Invalid user name or password."},
    {0x00080E55, "The specified column did not exist."},
    {0x00080E57,
     "A literal value overflowed the range of the type of the associated column.\n" TSL_SUPPORT},
    {0x00080E65, "The supplied columnID was invalid."},
    {0x00080E72, "The index ID is invalid. Please contact support@example.com\nfor the solution."},
    {0x00080EC1,
     "One or more column types are incompatible; conversion errors will\noccur during copying."},
    {0x00080EDA, "Errors occurred. " TSL_SUPPORT},
};

const size_t mss_messages_count = sizeof mss_messages / sizeof mss_messages[0];

const char mss_connect_failure_text[] =
    "MS SQL Server does not exist or access denied.\nCheck to verify the correct host was given.";
