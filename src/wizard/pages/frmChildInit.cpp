#include "wizard/pages/frmChildInit.h"
