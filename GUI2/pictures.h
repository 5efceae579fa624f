#pragma once
// The wizard's pictures by resource number: the program icon (501), the
// watermark (311) and the header image (312), drawn for this program and
// built into it.
#include <QIcon>
#include <QPixmap>

QPixmap wizard_picture(int resource);
// The program icon, or one of the eight frames of the "Please wait" box
// (502 to 509).
QIcon wizard_icon(int resource);
