#include "wizard/pages/frmChildMethTypeModel.h"
