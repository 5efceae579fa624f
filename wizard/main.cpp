// tslwizard: the graphical wizard that converts an MS SQL Server database
// into an Oracle schema step by step.
#include "wizard/tsl_shel.h"

int main(int argc, char** argv) {
  return tsl_wizard_main(argc, argv);
}
