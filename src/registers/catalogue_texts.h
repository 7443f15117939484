#pragma once

#include <string_view>

namespace tavr {

// The register catalogue as the main window carries it: four texts, one per attribute, each
// holding the 35 entries of the registers 0000H to 0022H in address order, separated by "//".
// They are the initial contents of the four hidden edit boxes that the catalogue is loaded from.

// Content of the edit box `数据备注说明`: the remark of every register.
inline constexpr std::string_view kRemarksCatalogueText =
    "地址:0000H 本设备地址ID号//"
    "地址:0001H 当前设置界面步骤//"
    "地址:0002H 高位:副电压+主电压小数位 低位:电流正负及小数位//"
    "地址:0003H 当前电压值50V以内3位小数，超过50V切换为2位小数//"
    "地址:0004H 当前电流值50A以内3位小数，超过50A切换为2位小数//"
    "地址:0005H 当前温度值 首位为1时为负温，1位小数位//"
    "地址:0006H 第二路温度值 首位为1时为负温，1位小数位//"
    "地址:0007H 当前剩余Ah电量 1位小数//"
    "地址:0008H 当前已耗Wh电能 无小数//"
    "地址:0009H 电池预设标称容量 1位小数//"
    "地址:000AH 电压超过设定值自动重置电量为满电状态 1位小数//"
    "地址:000BH 剩余电量百分比 2位小数//"
    "地址:000CH 电压上限值 1位小数//"
    "地址:000DH 电压下限值 1位小数//"
    "地址:000EH 电流上限值 1位小数//"
    "地址:000FH 电流下限值 1位小数//"
    "地址:0010H 温度上限值 1位小数//"
    "地址:0011H 温度下限值 1位小数//"
    "地址:0012H 第二路温度上限值 1位小数//"
    "地址:0013H 第二路温度下限值 1位小数//"
    "地址:0014H 允许电压电流温度超出设定范围的时间//"
    "地址:0015H 背景光自动关闭倒计时时间(电流小于以下电流值时开始计时)//"
    "地址:0016H 放电正电流超过设定值自动开启背景光 2位小数//"
    "地址:0017H 电压校准ADC值(注意:非专业人士不要修改!!!)//"
    "地址:0018H 所匹配分流器量程大小选择(国标75mV) 1位小数//"
    "地址:0019H 电流强制消零(一般不要设置) 2位小数//"
    "地址:001AH 线损补偿参数1A补偿***.**mV 2位小数//"
    "地址:001BH 输出模式：0:HEX模式，1:TXT模式，2:Modbus模式//"
    "地址:001CH 电压和温度状态：高位:副+主电压,低位:副+主温度//"
    "地址:001DH 电流和输出状态：高位:电流、低位:继电器输出//"
    "地址:001EH 第二路电压值50V以内3位小数，超过50V切换为2位小数//"
    "地址:001FH 第二路电压上限值 1位小数//"
    "地址:0020H 第二路电压下限值 1位小数//"
    "地址:0021H 第二路电压校准ADC值(注意:非专业人士不要修改!!!)//"
    "地址:0022H 充放电循环次数 充电电流超过-1.000A且持续30秒才算1次有效充电";

// Content of the edit box `数值对应单位`: the unit after every value; empty for none.
inline constexpr std::string_view kUnitsCatalogueText =
    "//////V//A//℃//℃//Ah//Wh//Ah//V//%//V//V//A//A//℃//℃//"
    "℃//℃//秒//秒//A////A//A//mV////////V//V//V////次";

// Content of the edit box `小数位预设值`: the number of decimals of every value.
inline constexpr std::string_view kDecimalsCatalogueText =
    "0//0//0//2//2//1//1//1//0//1//1//2//1//1//1//1//1//1//"
    "1//1//0//0//2//0//1//2//2//0//0//0//1//1//1//0//0";

// Content of the edit box `修改最大限制`: the largest raw value a write may carry.
inline constexpr std::string_view kMaxLimitsCatalogueText =
    "50//255//65535//65535//65535//1250//1250//65535//65535//10000//1000//10000//"
    "10000//10000//10000//10000//1250//1250//1250//1250//65535//65535//255//65535//"
    "10000//200//10000//5//65535//65535//65535//10000//10000//65535//65535";

}  // namespace tavr
