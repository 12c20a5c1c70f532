#pragma once
// The direct base of CPngListBtn; it adds nothing to CBitmapBtn.

#include "controls/CBitmapBtn.h"

class CBitmapBtnEx : public CBitmapBtn
{
public:
    explicit CBitmapBtnEx(QWidget *parent = nullptr)
        : CBitmapBtn(parent)
    { }
    ~CBitmapBtnEx() override = default;
};
