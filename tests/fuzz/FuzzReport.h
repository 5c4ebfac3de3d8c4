// The printer the report targets and seeds use: the layer's recording test printer at 100 dots
// per inch (small pages, quick to draw), installed anew so no earlier job is kept.
#pragma once

void UseFuzzPrinter();
