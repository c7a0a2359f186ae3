// A POS in C# driving Dorvane through P/Invoke: it opens the terminal, lets
// the attendant key a 20.00 prepay on pump 1, polls for the fuel item, reads
// the record, confirms the item and finalizes the transaction.
//
// DllImport("dorvane") finds dorvane.dll beside the program on Windows and
// libdorvane.so on the library path on Linux. Build and run:
//   mcs Pos.cs && mono Pos.exe        (Linux, Mono)
//   csc Pos.cs && Pos.exe             (Windows, .NET Framework)
using System;
using System.Runtime.InteropServices;
using System.Text;

static class Dorvane
{
    const string Lib = "dorvane";
    const CallingConvention Cdecl = CallingConvention.Cdecl;
    public const short True = -1; // the control's flags: True is -1, False 0

    [DllImport(Lib, CallingConvention = Cdecl)] static extern int dorvane_create(IntPtr platform, out IntPtr ctl);
    [DllImport(Lib, CallingConvention = Cdecl)] public static extern void dorvane_destroy(IntPtr ctl);
    [DllImport(Lib, CallingConvention = Cdecl)] static extern IntPtr dorvane_last_error(IntPtr ctl);
    [DllImport(Lib, CallingConvention = Cdecl)] static extern int dorvane_click(IntPtr ctl, byte[] widget, int index);
    [DllImport(Lib, CallingConvention = Cdecl)] static extern int dorvane_Terminal_Opened(IntPtr ctl, short cashier, short terminal, short day);
    [DllImport(Lib, CallingConvention = Cdecl)] static extern int dorvane_Poll_Fuel_Itemization(IntPtr ctl, out short result);
    [DllImport(Lib, CallingConvention = Cdecl)] static extern int dorvane_Fuel_Itemization_Complete(IntPtr ctl, ref short success, short displayMessage);
    [DllImport(Lib, CallingConvention = Cdecl)] static extern int dorvane_Transaction_Finalized(IntPtr ctl, short cashSale);
    [DllImport(Lib, CallingConvention = Cdecl)] static extern int dorvane_get_Pump_Number(IntPtr ctl, out short value);
    [DllImport(Lib, CallingConvention = Cdecl)] static extern int dorvane_get_Itemization_Type(IntPtr ctl, out short value);
    [DllImport(Lib, CallingConvention = Cdecl)] static extern int dorvane_get_Total_Price(IntPtr ctl, out int value);
    [DllImport(Lib, CallingConvention = Cdecl)] static extern int dorvane_get_Fuel_PLU(IntPtr ctl, byte[] buf, UIntPtr size, out UIntPtr length);

    // Every call returns a status; anything but 0 comes with a reason.
    static void Check(IntPtr ctl, int status)
    {
        if (status != 0)
            throw new InvalidOperationException("dorvane: status " + status + ": " +
                                                Marshal.PtrToStringAnsi(dorvane_last_error(ctl)));
    }

    // Text crosses the interface as NUL-terminated UTF-8.
    static byte[] Utf8(string s) { return Encoding.UTF8.GetBytes(s + "\0"); }

    public static IntPtr Create()
    {
        IntPtr ctl;
        Check(IntPtr.Zero, dorvane_create(IntPtr.Zero, out ctl)); // the system clock, no beep
        return ctl;
    }
    public static void Click(IntPtr ctl, string widget, int index) { Check(ctl, dorvane_click(ctl, Utf8(widget), index)); }
    public static void TerminalOpened(IntPtr ctl, short cashier, short terminal, short day) { Check(ctl, dorvane_Terminal_Opened(ctl, cashier, terminal, day)); }
    public static bool PollFuelItemization(IntPtr ctl) { short r; Check(ctl, dorvane_Poll_Fuel_Itemization(ctl, out r)); return r == True; }
    public static bool FuelItemizationComplete(IntPtr ctl, bool success)
    {
        short flag = success ? True : (short)0;
        Check(ctl, dorvane_Fuel_Itemization_Complete(ctl, ref flag, 0));
        return flag == True;
    }
    public static void TransactionFinalized(IntPtr ctl, bool cashSale) { Check(ctl, dorvane_Transaction_Finalized(ctl, cashSale ? True : (short)0)); }
    public static short PumpNumber(IntPtr ctl) { short v; Check(ctl, dorvane_get_Pump_Number(ctl, out v)); return v; }
    public static short ItemizationType(IntPtr ctl) { short v; Check(ctl, dorvane_get_Itemization_Type(ctl, out v)); return v; }
    public static int TotalPrice(IntPtr ctl) { int v; Check(ctl, dorvane_get_Total_Price(ctl, out v)); return v; }
    public static string FuelPlu(IntPtr ctl)
    {
        UIntPtr length;
        Check(ctl, dorvane_get_Fuel_PLU(ctl, null, UIntPtr.Zero, out length)); // ask for the length first
        var buf = new byte[(int)length + 1];
        Check(ctl, dorvane_get_Fuel_PLU(ctl, buf, (UIntPtr)buf.Length, out length));
        return Encoding.UTF8.GetString(buf, 0, (int)length);
    }
}

static class Pos
{
    static int Main()
    {
        IntPtr ctl = Dorvane.Create();
        try
        {
            Dorvane.TerminalOpened(ctl, 44, 81, 129);
            Dorvane.Click(ctl, "Pump", 0);  // the attendant opens pump 1,
            Dorvane.Click(ctl, "Value", 2); // picks the 20.00 preset
            Dorvane.Click(ctl, "Pump", 0);  // and prepays pump 1

            if (!Dorvane.PollFuelItemization(ctl))
            {
                Console.WriteLine("no fuel item to ring up");
                return 1;
            }
            short pump = Dorvane.PumpNumber(ctl), type = Dorvane.ItemizationType(ctl);
            int cents = Dorvane.TotalPrice(ctl);
            string plu = Dorvane.FuelPlu(ctl);
            Console.WriteLine("fuel item: pump {0}, type {1}, {2} cents, PLU '{3}'", pump, type, cents, plu);
            bool rung_up = Dorvane.FuelItemizationComplete(ctl, true);
            Dorvane.TransactionFinalized(ctl, true);
            Console.WriteLine(rung_up ? "rung up and finalized" : "the control refused the item");
            return pump == 1 && type == 2 && cents == 2000 && rung_up ? 0 : 1;
        }
        finally
        {
            Dorvane.dorvane_destroy(ctl);
        }
    }
}
