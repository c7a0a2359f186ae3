/* Runs the control headless from C: opens the terminal and pump 1. */
#include <dorvane/dorvane.h>
#include <stdio.h>

int main(void) {
    dorvane_ctl* ctl;
    if (dorvane_create(NULL, &ctl) != DORVANE_OK) return 1;
    dorvane_Terminal_Opened(ctl, 44, 81, 129);
    int status = dorvane_click(ctl, "Pump", 0); /* the attendant opens pump 1 */
    int32_t state = -1;
    dorvane_member(ctl, "Pump_State", 0, 0, &state);
    char status_text[64];
    dorvane_widget_caption(ctl, "Status", 0, status_text, sizeof status_text, NULL);
    printf("libdorvane %s: pump 1 in state %d shows %s\n", dorvane_version(), (int)state,
           status_text);
    dorvane_destroy(ctl);
    return status == DORVANE_OK && state == 1 ? 0 : 1;
}
